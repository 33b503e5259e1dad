// TFrmMain: the program's one working window. A tool bar and a menu with the commands,
// the data list of downloaded records and a status bar. The Download command, the grid
// handlers and the export commands live in their own files; this class holds the
// controls and the state they share.
#pragma once
#include <QByteArray>
#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/messages.h"
#include "clinic/clinic_target.h"

class QAction;
class QEventLoop;
class QMenu;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QPainter;

namespace movra {

class Downloader;
class DownloadListener;
class DownloadKeeper;
struct DownloadResult;
class RowSet;
class DeviceWatcher;
class StatusPanels;
class DataListView;
class ResultListModel;
class SaveFileChooser;
class HistoryStore;
struct ClinicSend;
class TFrmAbout;
class TRecordStore;
class StoreUi;

class TFrmMain : public QMainWindow {
  Q_OBJECT
 public:
  // Runs FormCreate. The calling thread must have its dispatcher installed (the GUI
  // thread's Qt adapter): the meter and the device watcher post to this window through it.
  explicit TFrmMain(QWidget* parent = nullptr);
  ~TFrmMain() override;

  // --- controls, named as designed ---
  QToolBar* MainToolBar = nullptr;
  QToolButton* btnDownload = nullptr;
  QToolButton* btnStop = nullptr;  // beside Download, shown while a download runs
  QToolButton* btnClearData = nullptr;
  QToolButton* btnExpExcel = nullptr;  // tag 0
  QToolButton* btnHis = nullptr;       // tag 1
  QToolButton* btnReport = nullptr;    // the INR report of the ticked rows
  QToolButton* btnHistory = nullptr;   // the History window
  QToolButton* btnExit = nullptr;
  QToolButton* btnAbout = nullptr;
  QMenu* mnuFile = nullptr;
  QMenu* mniHelp = nullptr;
  QAction* mniStartCom = nullptr;
  QAction* mniStop = nullptr;  // enabled while a download runs
  QAction* mnuClearData = nullptr;
  QAction* mnuExportExcel = nullptr;
  QAction* mnuExportTxt = nullptr;  // the Export Txt command in the File menu as well
  QAction* mnuReport = nullptr;
  QAction* mnuHistory = nullptr;
  QAction* mnuPatients = nullptr;
  QAction* mnuBackup = nullptr;
  QAction* mniExit = nullptr;
  QAction* mniContent = nullptr;
  QAction* mniAbout = nullptr;
  QTabWidget* MainPage = nullptr;
  QWidget* Page5 = nullptr;
  QTabWidget* PgDataList = nullptr;
  QWidget* tsDataList = nullptr;
  DataListView* GridDataList = nullptr;
  StatusPanels* statbar = nullptr;
  QTimer* tmrWaiting = nullptr;

  // --- state ---
  int32_t DownloadPhase = 1;
  int32_t WaitTicks = 0;
  int32_t CheckAllState = 1;  // title of the check column: 0 none, 1 mixed, 2 all ticked
  std::vector<std::string> UsbPorts;

  // --- commands ---
  void btnDownloadClick();
  void mniStartComClick() { btnDownloadClick(); }
  // Ends the running download early: the transfer stops after its record in hand, every
  // acknowledged record is stored, and the summary says that the rest is in the meter.
  void mniStopClick();
  // True while the downloader runs a command.
  bool DownloadRunning() const;
  // The downloader's end of a command: its result is kept and the command's wait ends.
  void DownloadEnded(const DownloadResult& result);
  void btnClearDataClick();
  void mnuClearDataClick() { btnClearDataClick(); }
  void btnExitClick();
  void mniExitClick() { btnExitClick(); }
  void mniAboutClick();
  void mniContentClick();
  // Both export buttons; the tag selects the kind (0 Excel, 1 CSV).
  void btnExpExcelClick(int tag);
  void mnuExportExcelClick() { btnExpExcelClick(0); }
  void mnuExportTxtClick() { btnExpExcelClick(1); }
  // The INR report of the ticked rows, refused as the exports are.
  void btnReportClick();
  void mnuReportClick() { btnReportClick(); }
  // The kept results of one patient over a period, their report, and deleting from them.
  void btnHistoryClick();
  void mnuHistoryClick() { btnHistoryClick(); }
  // The patients: names, birth dates, target ranges and the meters they belong to.
  void mnuPatientsClick();
  // A copy of the encrypted database in a file the user chooses, and how that went.
  void mnuBackupClick();
  void SetMenuState(bool value);
  void tmrWaitingTimer();

  // --- grid ---
  // Shows the given result list in the grid (the data module's list at creation).
  void BindDataList(RowSet* rows);
  ResultListModel* DataListModel() const { return model_; }
  void SetupDataGrid();
  void FormResize();
  void RefreshCheckHeader();
  void GridDataListCellClick(int row, int column);
  void GridDataListTitleBtnClick(int column);
  // The picture index the check column's title shows (0 none, 1 greyed, 2 all).
  int TitlePicture() const;

  // --- storing (the data module's record store, with this window's status bar) ---
  // Empties Result_Log and the list; TransferCount := 0.
  void ClearData();
  int32_t TransferCount() const;
  void SetTransferCount(int32_t n);
  // Records of this download that were read but can be no result (see TRecordStore).
  int32_t InvalidRecordCount() const;
  void SetInvalidRecordCount(int32_t n);
  // Before a download: false, after one error box, when the database cannot be written.
  bool DatabaseWritable();
  // At the end of a download: one more try at the rows still pending, then the number of
  // listed records the database does not hold.
  int32_t UnsavedRecordCount();
  // True once the program has stored what it read at the session's end and is quitting.
  bool SessionEnded() const { return sessionDone_; }

  // --- exports ---
  int32_t CountCheckedRows() const;
  void ExportData(int kind);

  // --- messages posted to this window (the meter's and the device watcher's) ---
  MessageTarget::Handle Handle() const;
  void WMDeviceChange(const Message& m);

  // --- status bar ---
  void DisplayHint(const QString& hint);
  void DrawPortPanel(StatusPanels* bar, QPainter& p, int panel, const QRect& rect);
  void SetPanel(int panel, const std::string& text);
  std::string PanelText(int panel) const;

  // --- replaceable services (tests put their own in) ---
  // The desktop's "open" action for a document: the program and the arguments put before
  // the document's path. It runs on its own; a failure it reports by its exit status shows
  // the help message.
  QStringList OpenCommand{"xdg-open"};
  // The save dialog of the exports.
  std::shared_ptr<SaveFileChooser> SaveDialog;
  // The kept results; the History and Patients windows read and change them here.
  std::shared_ptr<HistoryStore> History;
  // The clinic's shared database of the settings (no URL: none); what the history keeps
  // goes there too, and the History and Patients windows read it while it answers.
  ClinicTarget Clinic;
  // Writes a copy of the open database to the file; "" when written, else the reason it
  // could not be.
  std::function<std::string(const std::string&)> WriteBackup;
  // The about box shown by the About command (made on demand when none is given).
  TFrmAbout* FrmAbout = nullptr;
  // Runs a modal box; tests replace it so nothing blocks.
  std::function<void(QDialog&)> ShowModal;

  // True once FormClose has run (the window is shutting down).
  bool Closed() const { return closed_; }
  // A second start asked for this window: it comes to the front with the focus, and a box
  // open over it with it. The activation token is the second start's, when it had one.
  void BringToFront(const QByteArray& activationToken);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void BuildLayout();
  void FormCreate();
  void FormShow();
  bool FormCloseQuery();
  void FormClose();
  void DoLoadResource();
  void CreateDownloader();
  void CreateRecordStore();
  // The clinic's database of this run, and what an earlier run left waiting sent.
  void PrepareClinic();
  // Sends what waits for the clinic's database; a failure is told once until a send works.
  void SendToClinicDatabase();
  void TellClinicSend(const ClinicSend& send);
  // The history the History and Patients windows show: the clinic's when it answers.
  struct ShownHistory {
    std::shared_ptr<HistoryStore> store;
    std::string source;  // what the window says of it; "" without a clinic database
    std::string reason;  // why the clinic's is not shown
  };
  ShownHistory HistoryToShow();
  void WndProc(Message& m);
  // Stops a running download and serves events until it has ended.
  void FinishDownload();
  // After the command's wait: the window's idle state, then its boxes.
  void ShowDownloadEnd();
  void EndDownloadState();
  void ExportCsvTo(const std::string& chosen);
  void ExportExcelTo(const std::string& chosen);

  std::unique_ptr<MessageTarget> window_;
  std::unique_ptr<DeviceWatcher> deviceWatcher_;
  std::unique_ptr<StoreUi> storeUi_;
  std::unique_ptr<TRecordStore> store_;
  ResultListModel* model_ = nullptr;
  bool shown_ = false;
  bool clinicAwayTold_ = false;
  bool closed_ = false;
  std::unique_ptr<DownloadListener> downloadView_;
  std::unique_ptr<DownloadKeeper> keeper_;
  std::unique_ptr<Downloader> downloader_;
  std::unique_ptr<DownloadResult> lastDownload_;
  QEventLoop* downloadLoop_ = nullptr;
  QAction* stopAction_ = nullptr;  // the tool bar's place of btnStop
  // The session ends (a logout, a shutdown, SIGTERM): the download stops at its record in
  // hand, what was read is stored, and the program quits without a question.
  void EndSession();
  void FinishSessionEnd();
  bool sessionEnding_ = false;
  bool sessionDone_ = false;
  bool followingRows_ = false;
  QPixmap portIcon_;
  // Set when a device came or went while a transfer held the port list; the list is read
  // again when the download ends.
  bool portsChangedInTransfer_ = false;
  void RereadPortsChangedInTransfer();
};

// The main window of the running program (null before start-up creates it).
extern TFrmMain* FrmMain;

}  // namespace movra
