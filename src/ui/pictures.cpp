#include "ui/pictures.h"

#include <QFileInfo>

#include "app/config.h"
#include "app/folders.h"

namespace movra {

QString PicturePath(const char* name) {
  return QString::fromStdString(ExeDir) + "Image/" + QString::fromUtf8(name) + ".png";
}

QPixmap LoadPicture(const char* name, QSize size) {
  QPixmap pm(PicturePath(name));
  if (pm.isNull()) {
    QPixmap empty(size);
    empty.fill(Qt::transparent);
    return empty;
  }
  if (pm.size() != size) pm = pm.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return pm;
}

QIcon LoadConfiguredIcon() {
  QString rel = QString::fromStdString(GlobalOption.Icon);
  rel.replace('\\', '/');
  QString path = QString::fromStdString(ExeDir) + rel;
  if (rel.isEmpty() || !QFileInfo(path).isFile()) return QIcon();
  QIcon icon(path);
  if (icon.availableSizes().isEmpty() && icon.pixmap(32).isNull()) return QIcon();
  return icon;
}

}  // namespace movra
