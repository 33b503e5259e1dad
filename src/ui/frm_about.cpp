#include "ui/frm_about.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "app/config.h"
#include "app/language.h"
#include "ui/build_info.h"
#include "ui/pictures.h"

namespace movra {

TFrmAbout::TFrmAbout(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About...");
  // A dialog border: a caption with a close button, nothing to minimise or maximise.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFixedSize(453, 301);

  Panel1 = new QFrame(this);
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Sunken);
  Panel1->setGeometry(8, 8, 437, 245);
  Panel1->setAutoFillBackground(true);
  QPalette pal = Panel1->palette();
  pal.setColor(QPalette::Window, QColor(120, 200, 231));
  Panel1->setPalette(pal);

  // The logo sits in a lowered frame, as in a bevel.
  auto* bevel = new QFrame(Panel1);
  bevel->setFrameShape(QFrame::Box);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(8, 8, 213, 85);
  ImgLogo = new QLabel(bevel);
  ImgLogo->setGeometry(2, 2, 209, 81);
  ImgLogo->setPixmap(LoadPicture(pic::AboutLogo, QSize(209, 81)));

  lblTitle = new QLabel(Panel1);
  lblTitle->setWordWrap(true);
  QFont tf = lblTitle->font();
  tf.setBold(true);
  tf.setPixelSize(18);
  lblTitle->setFont(tf);
  lblTitle->setGeometry(230, 8, 199, 60);

  lblVersion = new QLabel(Panel1);
  lblVersion->setGeometry(230, 72, 199, 20);

  lblWarning = new QLabel(kAboutWarning, Panel1);
  lblWarning->setWordWrap(true);
  lblWarning->setGeometry(8, 104, 421, 96);
  lblWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  lblCompany = new QLabel(QString::fromUtf8(kDefaultCompany), Panel1);
  lblCompany->setGeometry(8, 210, 421, 24);

  btnOK = new QPushButton("Close", this);
  btnOK->setGeometry(189, 264, 75, 25);
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });

  FormCreate();
  FitToTexts();
}

void TFrmAbout::FitToTexts() {
  // The labels follow one another at the height their texts need in this font, and the
  // box ends under the button: no empty band, whatever the fonts and the language.
  const int gap = 8;
  lblTitle->setFixedHeight(lblTitle->heightForWidth(lblTitle->width()));
  lblVersion->move(lblVersion->x(), lblTitle->geometry().bottom() + 1 + gap / 2);
  lblVersion->setFixedHeight(lblVersion->sizeHint().height());
  int logoBottom = ImgLogo->parentWidget()->geometry().bottom() + 1;
  int top = std::max(logoBottom, lblVersion->geometry().bottom() + 1) + gap;
  lblWarning->setGeometry(lblWarning->x(), top, lblWarning->width(), lblWarning->heightForWidth(lblWarning->width()));
  top = lblWarning->geometry().bottom() + 1 + gap;
  lblCompany->setGeometry(lblCompany->x(), top, lblCompany->width(), lblCompany->sizeHint().height());
  Panel1->resize(Panel1->width(), lblCompany->geometry().bottom() + 1 + gap);
  int buttonTop = Panel1->geometry().bottom() + 1 + 11;
  btnOK->move(btnOK->x(), buttonTop);
  setFixedSize(453, buttonTop + btnOK->height() + 12);
}

void TFrmAbout::FormCreate() {
  lblTitle->setText(QString::fromStdString(TranslateText(GlobalOption.AboutTitle)));
  lblVersion->setText(QString::fromStdString(TranslateText("VERSION")) +
                      QStringLiteral(":%1(%2)").arg(ProgramVersion(), BuildDate()));
}

void TFrmAbout::btnOKClick() { accept(); }

}  // namespace movra
