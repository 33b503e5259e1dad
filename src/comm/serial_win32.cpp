// The serial port on Windows: the device "\\.\COM<n>" opened for overlapped I/O, with a
// manual-reset event as the close signal.
//
// A chunk is assembled here rather than left to the driver's interval time-out: one
// overlapped read of a single byte waits for data, whatever the driver has queued after
// it is taken at once, and the chunk ends when ReadLength bytes are in or ReadIntervalTimeout
// ms pass without a byte. Line errors and the modem lines are looked at while waiting
// (ClearCommError, GetCommModemStatus) instead of through WaitCommEvent. The same code
// then works on drivers that keep no interval time-out or end every event wait at once
// (Wine on a pseudo-terminal does both).
#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>

#include "app/trace.h"
#include "comm/serial_backend.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"

namespace movra {

namespace {

using Clock = std::chrono::steady_clock;

// Line errors and modem lines are looked at this often while waiting for data.
constexpr DWORD kLineEventPollMs = 100;
// A driver that ends a read at once without data is asked again after this pause.
constexpr DWORD kIdleReadPauseMs = 10;

PortFailure failureForOpenError(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_INVALID_NAME:
      return PortFailure::NoSuchDevice;
    // A COM port held by another program answers "access denied".
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return PortFailure::Busy;
    default:
      return PortFailure::Other;
  }
}

DWORD remainingMs(Clock::time_point until) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
  if (left <= 0) return 0;
  // Round up so a wait never ends a millisecond early and spins.
  return static_cast<DWORD>(std::min<long long>(left + 1, 1 << 30));
}

class SerialWin32 final : public SerialBackend {
 public:
  ~SerialWin32() override { Close(); }

  SerialOpenResult Open(const std::string& path) override {
    Close();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      DWORD err = GetLastError();
      return {failureForOpenError(err), path + ": " + SystemErrorText(err)};
    }
    if (GetFileType(h) != FILE_TYPE_CHAR) {
      CloseHandle(h);
      return {PortFailure::NotATty, path + ": not a character device"};
    }
    // Both manual-reset and signalled at first, as every overlapped record here.
    readOv_ = {};
    writeOv_ = {};
    readOv_.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    writeOv_.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (!readOv_.hEvent || !writeOv_.hEvent) {
      DWORD err = GetLastError();
      CloseHandle(h);
      closeEvents();
      return {PortFailure::Other, path + ": " + SystemErrorText(err)};
    }
    port_ = h;
    path_ = path;
    // Put back by Close, so the next program finds the line as we found it.
    savedDcb_ = {};
    savedDcb_.DCBlength = sizeof savedDcb_;
    haveSavedDcb_ = GetCommState(port_, &savedDcb_) != 0;
    haveSavedTimeouts_ = GetCommTimeouts(port_, &savedTimeouts_) != 0;
    readPending_ = false;
    modemLines_ = GetCommModemStatus(port_, &modemStatus_) != 0;
    if (!modemLines_) {
      // A line without modem lines (a pseudo-terminal under Wine) still carries data.
      BugMessage("SerialPort " + path_ + ": no modem lines (GetCommModemStatus: " + SystemErrorText(GetLastError()) +
                 "), ring and carrier changes are not reported");
    }
    return {};
  }

  bool IsOpen() const override { return port_ != INVALID_HANDLE_VALUE; }

  bool SetupQueues(size_t input, size_t output) override {
    return IsOpen() && SetupComm(port_, static_cast<DWORD>(input), static_cast<DWORD>(output));
  }

  void Purge(SerialQueues queues) override {
    if (!IsOpen()) return;
    DWORD flags = 0;
    if (queues != SerialQueues::Output) flags |= PURGE_RXABORT | PURGE_RXCLEAR;
    if (queues != SerialQueues::Input) flags |= PURGE_TXABORT | PURGE_TXCLEAR;
    PurgeComm(port_, flags);
  }

  bool SetLineSettings(const SerialLineSettings& s) override {
    if (!IsOpen()) return false;
    // The fields the component does not own (length, end-of-file and event characters,
    // reserved words) stay as the driver has them.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_, &dcb)) return false;
    dcb.BaudRate = s.baudRate;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    bool hardware = s.flowControl == TFlowControl::Hardware;
    bool software = s.flowControl == TFlowControl::Software;
    dcb.fOutxCtsFlow = hardware;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = s.dataTerminalReady ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = FALSE;
    dcb.fOutX = software;
    dcb.fInX = software;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : s.requestToSend ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = FALSE;
    dcb.fDummy2 = 0;
    dcb.XonLim = 500;
    dcb.XoffLim = 500;
    dcb.ByteSize = s.dataBits;
    static const BYTE kParity[] = {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY};
    dcb.Parity = kParity[static_cast<uint8_t>(s.parity)];
    static const BYTE kStopBits[] = {ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS};
    dcb.StopBits = kStopBits[static_cast<uint8_t>(s.stopBits)];
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 0;
    if (!SetCommState(port_, &dcb)) {
      BugMessage("SerialPort " + path_ + ": SetCommState: " + SystemErrorText(GetLastError()));
      return false;
    }
    // A driver that cannot drive DTR on this line (Wine on a pseudo-terminal) says so
    // here; the data still flow.
    if (!EscapeCommFunction(port_, s.dataTerminalReady ? SETDTR : CLRDTR) && !dtrTraced_) {
      dtrTraced_ = true;
      BugMessage("SerialPort " + path_ + ": no DTR line (EscapeCommFunction: " + SystemErrorText(GetLastError()) + ")");
    }
    return true;
  }

  void SetTimeouts(const SerialTimeouts& t) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      timeouts_ = t;
    }
    if (!IsOpen()) return;
    COMMTIMEOUTS ct{};
    GetCommTimeouts(port_, &ct);
    ct.ReadIntervalTimeout = t.readInterval;
    ct.ReadTotalTimeoutMultiplier = t.readTotalMultiplier;
    ct.ReadTotalTimeoutConstant = t.readTotalConstant;
    ct.WriteTotalTimeoutMultiplier = t.writeTotalMultiplier;
    ct.WriteTotalTimeoutConstant = t.writeTotalConstant;
    SetCommTimeouts(port_, &ct);
  }

  bool CreateCloseSignal() override {
    if (closeEvent_) CloseHandle(closeEvent_);
    // Manual reset: once raised it stays raised, so both threads see it.
    closeEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return closeEvent_ != nullptr;
  }

  void SignalClose() override {
    if (closeEvent_) SetEvent(closeEvent_);
  }

  bool CloseSignalled() const override {
    return closeEvent_ && WaitForSingleObject(closeEvent_, 0) == WAIT_OBJECT_0;
  }

  SerialReadResult ReadChunk(uint8_t* buffer, size_t want) override {
    SerialReadResult res;
    if (!IsOpen() || want == 0) return closed(res);
    SerialTimeouts t;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      t = timeouts_;
    }
    // An interval of MAXDWORD: hand over whatever has arrived as soon as there is something.
    const bool takeWhatIsThere = t.readInterval == MAXDWORD;
    std::optional<Clock::time_point> deadline;
    uint64_t total = uint64_t(t.readTotalMultiplier) * want + t.readTotalConstant;
    if (total > 0 && !(takeWhatIsThere && t.readTotalMultiplier == 0 && t.readTotalConstant == 0))
      deadline = Clock::now() + std::chrono::milliseconds(total);
    Clock::time_point lastByte{};
    bool idle = false;  // the last read ended without data

    for (;;) {
      if (res.count >= want) return res;

      // The single-byte read that waited for data comes first: it holds the oldest byte.
      if (readPending_) {
        DWORD got = 0;
        if (GetOverlappedResult(port_, &readOv_, &got, FALSE)) {
          readPending_ = false;
          if (got == 1) {
            buffer[res.count++] = pendingByte_;
            lastByte = Clock::now();
            continue;
          }
          idle = true;  // a driver time-out ended it without data
        } else {
          DWORD err = GetLastError();
          if (err != ERROR_IO_INCOMPLETE) {
            readPending_ = false;
            // A read that timed out is reported either way: TRUE with no byte, or ERROR_TIMEOUT.
            if (err == ERROR_TIMEOUT) {
              idle = true;
            } else if (err == ERROR_OPERATION_ABORTED) {
              if (CloseSignalled()) return closed(res);
            } else if (err == ERROR_INVALID_HANDLE) {
              return closed(res);
            } else {
              return hangUp(res, "ReadFile: " + SystemErrorText(err));
            }
          }
        }
      }

      // Line errors, modem lines and what the driver holds already.
      DWORD errors = 0;
      COMSTAT stat{};
      if (!ClearCommError(port_, &errors, &stat)) {
        DWORD err = GetLastError();
        if (err == ERROR_INVALID_HANDLE) return closed(res);
        // A USB adapter that was pulled out fails here.
        return hangUp(res, "ClearCommError: " + SystemErrorText(err));
      }
      uint32_t modem = modemChanges();
      errors = lineErrorsOf(errors);
      res.lineErrors |= errors;
      res.modemEvents |= modem;
      if ((errors || modem) && res.count == 0) return res;

      if (!readPending_ && stat.cbInQue > 0) {
        DWORD n = static_cast<DWORD>(std::min<size_t>(stat.cbInQue, want - res.count));
        DWORD got = 0;
        DWORD err = readNow(buffer + res.count, n, got);
        res.count += got;
        if (got > 0) lastByte = Clock::now();
        if (err == ERROR_OPERATION_ABORTED && CloseSignalled()) return closed(res);
        if (err == ERROR_INVALID_HANDLE) return closed(res);
        if (err != ERROR_SUCCESS && err != ERROR_TIMEOUT && err != ERROR_OPERATION_ABORTED)
          return hangUp(res, "ReadFile: " + SystemErrorText(err));
        idle = false;
        continue;
      }

      DWORD timeout = INFINITE;
      if (deadline) timeout = remainingMs(*deadline);
      if (res.count > 0) {
        if (takeWhatIsThere) return res;
        if (t.readInterval > 0) timeout = std::min(timeout, remainingMs(lastByte + std::chrono::milliseconds(t.readInterval)));
      }
      if (timeout == 0) {
        // The single-byte read, if any, stays pending for the next chunk.
        if (deadline && res.count == 0) res.status = SerialIo::TimedOut;
        return res;
      }
      timeout = std::min(timeout, kLineEventPollMs);

      if (idle) {
        // Do not spin on a driver that ends each read at once.
        idle = false;
        if (WaitForSingleObject(closeEvent_, std::min(timeout, kIdleReadPauseMs)) == WAIT_OBJECT_0) return closed(res);
        continue;
      }

      if (!readPending_) {
        if (CloseSignalled()) return closed(res);
        if (ReadFile(port_, &pendingByte_, 1, nullptr, &readOv_)) {
          readPending_ = true;  // done at once; the next round takes the byte
          continue;
        }
        DWORD err = GetLastError();
        if (err == ERROR_IO_PENDING) {
          readPending_ = true;
        } else if (err == ERROR_TIMEOUT) {
          idle = true;
          continue;
        } else if (err == ERROR_INVALID_HANDLE) {
          return closed(res);
        } else {
          return hangUp(res, "ReadFile: " + SystemErrorText(err));
        }
      }

      HANDLE waits[2] = {closeEvent_, readOv_.hEvent};
      DWORD w = WaitForMultipleObjects(2, waits, FALSE, timeout);
      if (w == WAIT_OBJECT_0) return closed(res);
      if (w == WAIT_OBJECT_0 + 1 || w == WAIT_TIMEOUT) continue;
      return hangUp(res, "WaitForMultipleObjects: " + SystemErrorText(GetLastError()));
    }
  }

  SerialWriteResult Write(const uint8_t* bytes, size_t n) override {
    SerialWriteResult res;
    if (!IsOpen()) {
      res.status = SerialIo::Closed;
      return res;
    }
    DWORD want = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
    DWORD done = 0;
    DWORD err = ERROR_SUCCESS;
    if (!WriteFile(port_, bytes, want, nullptr, &writeOv_)) {
      err = GetLastError();
      if (err == ERROR_IO_PENDING) {
        HANDLE waits[2] = {closeEvent_, writeOv_.hEvent};
        DWORD w = WaitForMultipleObjects(closeEvent_ ? 2 : 1, closeEvent_ ? waits : waits + 1, FALSE, INFINITE);
        if (closeEvent_ && w == WAIT_OBJECT_0) {
          finishCancelled(writeOv_);
          res.status = SerialIo::Closed;
          return res;
        }
        if (w == WAIT_FAILED) {
          DWORD why = GetLastError();
          finishCancelled(writeOv_);
          res.status = SerialIo::HangUp;
          res.osText = "WaitForMultipleObjects: " + SystemErrorText(why);
          return res;
        }
        err = ERROR_SUCCESS;
      }
    }
    if (err == ERROR_SUCCESS) {
      if (!GetOverlappedResult(port_, &writeOv_, &done, FALSE)) err = GetLastError();
    }
    res.count = done;
    switch (err) {
      case ERROR_SUCCESS:
        // Fewer bytes than asked: the total write time-out ran out first.
        if (done < want) res.status = SerialIo::TimedOut;
        return res;
      case ERROR_TIMEOUT:
        res.status = SerialIo::TimedOut;
        return res;
      case ERROR_INVALID_HANDLE:
        res.status = SerialIo::Closed;
        return res;
      case ERROR_OPERATION_ABORTED:
        if (CloseSignalled()) {
          res.status = SerialIo::Closed;
          return res;
        }
        [[fallthrough]];
      default:
        res.status = SerialIo::HangUp;
        res.osText = "WriteFile: " + SystemErrorText(err);
        return res;
    }
  }

  void Close() override {
    if (port_ != INVALID_HANDLE_VALUE) {
      // The single-byte read may still be pending; its record must outlive it.
      if (readPending_) finishCancelled(readOv_);
      readPending_ = false;
      // A device that is gone refuses; there is nothing left to put back then.
      if (haveSavedDcb_) SetCommState(port_, &savedDcb_);
      if (haveSavedTimeouts_) SetCommTimeouts(port_, &savedTimeouts_);
      haveSavedDcb_ = haveSavedTimeouts_ = false;
      CloseHandle(port_);
      port_ = INVALID_HANDLE_VALUE;
    }
    closeEvents();
    if (closeEvent_) {
      CloseHandle(closeEvent_);
      closeEvent_ = nullptr;
    }
  }

 private:
  static SerialReadResult& closed(SerialReadResult& res) {
    res.status = SerialIo::Closed;
    return res;
  }

  static SerialReadResult& hangUp(SerialReadResult& res, std::string text) {
    res.status = SerialIo::HangUp;
    res.osText = std::move(text);
    return res;
  }

  // Reads bytes the driver already holds; returns the system's error code.
  DWORD readNow(uint8_t* into, DWORD n, DWORD& got) {
    got = 0;
    if (!ReadFile(port_, into, n, nullptr, &readOv_)) {
      DWORD err = GetLastError();
      if (err != ERROR_IO_PENDING) return err;
      HANDLE waits[2] = {closeEvent_, readOv_.hEvent};
      DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
      if (w != WAIT_OBJECT_0 + 1) {
        DWORD why = w == WAIT_OBJECT_0 ? ERROR_OPERATION_ABORTED : GetLastError();
        got = finishCancelled(readOv_);
        return why;
      }
    }
    if (!GetOverlappedResult(port_, &readOv_, &got, FALSE)) return GetLastError();
    return ERROR_SUCCESS;
  }

  // Cancels an operation and waits until the system is done with its record; returns the
  // bytes it moved before it ended.
  DWORD finishCancelled(OVERLAPPED& ov) {
    CancelIoEx(port_, &ov);
    DWORD moved = 0;
    GetOverlappedResult(port_, &ov, &moved, TRUE);
    return moved;
  }

  // The driver's CE_* flags in the component's terms.
  static uint32_t lineErrorsOf(DWORD ce) {
    uint32_t errors = 0;
    if (ce & CE_RXOVER) errors |= LineInputOverflow;
    if (ce & CE_OVERRUN) errors |= LineOverrun;
    if (ce & CE_RXPARITY) errors |= LineParityError;
    if (ce & CE_FRAME) errors |= LineFramingError;
    if (ce & CE_BREAK) errors |= LineBreak;
    return errors;
  }

  // Carrier (RLSD) changes and a ring since the last look; nothing on a line without
  // modem lines.
  uint32_t modemChanges() {
    if (!modemLines_) return 0;
    DWORD now = 0;
    if (!GetCommModemStatus(port_, &now)) return 0;
    uint32_t events = 0;
    if ((now ^ modemStatus_) & MS_RLSD_ON) events |= ModemCarrierChanged;
    if ((now & MS_RING_ON) && !(modemStatus_ & MS_RING_ON)) events |= ModemRing;
    modemStatus_ = now;
    return events;
  }

  void closeEvents() {
    for (OVERLAPPED* ov : {&readOv_, &writeOv_}) {
      if (ov->hEvent) CloseHandle(ov->hEvent);
      ov->hEvent = nullptr;
    }
  }

  HANDLE port_ = INVALID_HANDLE_VALUE;
  HANDLE closeEvent_ = nullptr;  // CloseEvent
  std::string path_;
  OVERLAPPED readOv_{};   // reader thread only, once open
  OVERLAPPED writeOv_{};  // writer thread only, once open
  bool readPending_ = false;
  uint8_t pendingByte_ = 0;
  bool modemLines_ = false;
  DWORD modemStatus_ = 0;
  bool dtrTraced_ = false;
  DCB savedDcb_{};
  bool haveSavedDcb_ = false;
  COMMTIMEOUTS savedTimeouts_{};
  bool haveSavedTimeouts_ = false;
  mutable std::mutex mutex_;  // guards timeouts_
  SerialTimeouts timeouts_;
};

}  // namespace

std::shared_ptr<SerialBackend> CreateSerialBackend() { return std::make_shared<SerialWin32>(); }

void RaiseCurrentThreadPriority(SerialThreadPriority priority) {
  SetThreadPriority(GetCurrentThread(),
                    priority == SerialThreadPriority::Highest ? THREAD_PRIORITY_HIGHEST : THREAD_PRIORITY_ABOVE_NORMAL);
}

}  // namespace movra
