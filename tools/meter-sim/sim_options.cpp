#include "sim_options.h"

#include <cerrno>
#include <cstdlib>

#include "meter_frames.h"

namespace movra::sim {

namespace {

int ToInt(const std::string& text, int lo, int hi, const std::string& option) {
  const char* s = text.c_str();
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(s, &end, 10);
  if (errno || end == s || *end || v < lo || v > hi)
    throw UsageError(option + ": \"" + text + "\" is not a number in " + std::to_string(lo) + ".." +
                     std::to_string(hi));
  return int(v);
}

std::vector<std::string> SplitColons(const std::string& text) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    size_t at = text.find(':', from);
    parts.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (at == std::string::npos) return parts;
    from = at + 1;
  }
}

constexpr int kMaxPosition = 1 << 20;

SplitWrite ToSplit(const std::string& pieces, const std::string& gap, const std::string& option) {
  return {ToInt(pieces, 1, 4096, option), ToInt(gap, 0, 600000, option)};
}

}  // namespace

SimOptions ParseSimOptions(const std::vector<std::string>& args) {
  SimOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      return args[++i];
    };
    auto position = [&](const std::string& text) { return ToInt(text, 1, kMaxPosition, a); };
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--records") {
      o.recordsFile = value();
    } else if (a == "--generate") {
      o.generate = ToInt(value(), 0, 65535, a);
    } else if (a == "--count-up") {
      o.countUp = true;
    } else if (a == "--serial") {
      o.serial = value();
      if (o.serial.size() > 255) throw UsageError("--serial: at most 255 bytes");
    } else if (a == "--generation") {
      const std::string& g = value();
      if (g == "4800") {
        o.answers4800 = true, o.answers9600 = false;
      } else if (g == "9600") {
        o.answers4800 = false, o.answers9600 = true;
      } else if (g == "both") {
        o.answers4800 = o.answers9600 = true;
      } else {
        throw UsageError("--generation: 4800, 9600 or both");
      }
    } else if (a == "--no-pace") {
      o.pace = false;
    } else if (a == "--bad-crc") {
      o.badCrc.insert(position(value()));
    } else if (a == "--damaged") {
      o.damaged.insert(position(value()));
    } else if (a == "--split") {
      auto p = SplitColons(value());
      if (p.size() != 3) throw UsageError("--split K:PIECES:GAPMS");
      o.split[position(p[0])] = ToSplit(p[1], p[2], a);
    } else if (a == "--split-sn") {
      auto p = SplitColons(value());
      if (p.size() != 2) throw UsageError("--split-sn PIECES:GAPMS");
      o.splitSerial = ToSplit(p[0], p[1], a);
    } else if (a == "--bad-crc-sn") {
      o.serialBadCrc = true;
    } else if (a == "--noise-before") {
      const std::string& v = value();
      size_t colon = v.find(':');
      if (colon == std::string::npos) throw UsageError("--noise-before K:HEX");
      std::string bytes;
      if (!FromHex(v.substr(colon + 1), bytes)) throw UsageError("--noise-before: \"" + v.substr(colon + 1) + "\" is not hex");
      o.noiseBefore[position(v.substr(0, colon))] += bytes;
    } else if (a == "--crs-before") {
      auto p = SplitColons(value());
      if (p.size() != 2) throw UsageError("--crs-before K:N");
      o.crsBefore[position(p[0])] = ToInt(p[1], 0, 1 << 20, a);
    } else if (a == "--no-devmode-answer") {
      o.noDevModeAnswer = true;
    } else if (a == "--silent") {
      o.silent = true;
    } else if (a == "--stop-after") {
      o.stopAfter = position(value());
    } else if (a == "--unplug-before") {
      o.unplugBefore = position(value());
    } else if (a == "--unplug-during-ack") {
      o.unplugDuringAck = position(value());
    } else if (a == "--journal") {
      o.journal = value();
    } else if (a == "--link") {
      o.link = value();
    } else if (a == "--device-root") {
      o.deviceRoot = value();
    } else if (a == "--usb-index") {
      o.usbIndex = ToInt(value(), 0, 63, a);
    } else if (a == "--product") {
      o.product = value();
    } else if (a == "--once") {
      o.once = true;
    } else {
      throw UsageError("unknown option " + a);
    }
  }
  if (!o.recordsFile.empty() && o.generate >= 0) throw UsageError("--records and --generate exclude each other");
  return o;
}

const char* UsageText() {
  return R"(usage: movra-meter-sim [options]
A meter on a pseudo-terminal. Prints the slave device path on the first line of stdout.
  --records FILE          records, one per line, sent in the file's order:
                          recno year month day region hour minute h12 pm inr caltype callevel patient
                          (patient "-": 25-byte frame without patient id; '#' comments)
  --generate N            N generated records, sent as a meter sends them: newest first,
                          numbered N down to 1, so the first number is the count
  --count-up              generated records numbered 1..N instead
  --serial TEXT           serial number answer (default PT12345678A)
  --generation 4800|9600|both   line speed(s) answered at (default 4800)
  --no-pace               write at once instead of at the line speed
  --bad-crc K             record K (1-based position) with a wrong CRC
  --damaged K             record K's frame ends in a byte that is not CR
  --split K:PIECES:GAPMS  record K written in PIECES pieces, GAPMS ms apart
  --split-sn PIECES:GAPMS serial number answer written in pieces
  --bad-crc-sn            serial number answer with a wrong CRC
  --noise-before K:HEX    bytes written just before record K
  --crs-before K:N        N carriage returns written before record K
  --no-devmode-answer     no answer to enter-device-mode, then silent
  --silent                never answers
  --stop-after K          stops answering after record K's acknowledgement
  --unplug-before K       unplugs instead of sending record K
  --unplug-during-ack K   unplugs on receiving record K's acknowledgement
  --journal FILE          one line per event
  --link PATH             symlink PATH -> the slave (removed at exit)
  --device-root DIR       plug in as DIR/dev/ttyUSB<K> with sysfs entries under DIR/sys
  --usb-index K           K for --device-root (default 0)
  --product TEXT          USB product text (default "CP2102 USB to UART Bridge Controller")
  --once                  exit when the host closes the port after its first transfer
Exits on SIGTERM/SIGINT/SIGHUP, and after unplugging (SIGUSR1 or an unplug option).
)";
}

}  // namespace movra::sim
