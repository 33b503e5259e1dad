// The about box: the product title, its version, a copyright notice and the maker.
#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class QFrame;

namespace movra {

class TFrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TFrmAbout(QWidget* parent = nullptr);

  QFrame* Panel1 = nullptr;
  QLabel* ImgLogo = nullptr;
  QLabel* lblTitle = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblWarning = nullptr;
  QLabel* lblCompany = nullptr;
  QPushButton* btnOK = nullptr;

 private:
  void FormCreate();
  void FitToTexts();
  void btnOKClick();
};

// The fixed texts of the box.
inline constexpr const char* kAboutWarning =
    "Warning: this program is protected by copyright law. Unauthorised reproduction or "
    "distribution of this program, or of any part of it, may lead to civil and criminal "
    "penalties.";

}  // namespace movra
