// Draws the cells the program paints itself: the centred check box of column 0, and the
// INR and PT cells, which show a picture of "INR" with an arrow when the INR lies outside
// 0.7 to 7.0.
#pragma once
#include <QPixmap>
#include <QStyledItemDelegate>

namespace movra {

// Roles the result list gives for the delegate.
enum ResultRole {
  InrValueRole = Qt::UserRole + 1,  // fINR_v as a double
  PtValueRole,                      // fPT_Cal as a double
  CheckedRole,                      // fChecked as a bool
};

class InrCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit InrCellDelegate(QObject* parent = nullptr);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // For the cells drawn here, the width that shows the check box, the number or the
  // picture whole.
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  QPixmap up_;
  QPixmap down_;
};

}  // namespace movra
