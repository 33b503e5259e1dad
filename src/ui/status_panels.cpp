#include "ui/status_panels.h"

#include "ui/status_panels_accessible.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPen>
#include <QToolTip>

namespace movra {

StatusPanels::StatusPanels(int panelCount, int panelWidth, QWidget* parent) : QWidget(parent) {
  panels_.resize(panelCount > 0 ? panelCount : 1);
  for (auto& p : panels_) p.width = panelWidth;
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  // A Tab stop, so that a screen reader user can reach the panels.
  setFocusPolicy(Qt::TabFocus);
  InstallStatusPanelsAccessibility();
}

void StatusPanels::setPanelName(int i, const QString& name) {
  if (i >= 0 && i < panelCount()) panels_[i].name = name;
}

QString StatusPanels::panelName(int i) const {
  if (i < 0 || i >= panelCount()) return QString();
  return panels_[i].name;
}

void StatusPanels::setPanelTextSource(int i, std::function<QString()> source) {
  if (i >= 0 && i < panelCount()) panels_[i].textSource = std::move(source);
}

QString StatusPanels::panelReadText(int i) const {
  if (i < 0 || i >= panelCount()) return QString();
  return panels_[i].textSource ? panels_[i].textSource() : panels_[i].text;
}

QString StatusPanels::panelText(int i) const {
  if (i < 0 || i >= panelCount()) return QString();
  return panels_[i].text;
}

void StatusPanels::setPanelText(int i, const QString& text) {
  if (i < 0 || i >= panelCount()) return;
  if (panels_[i].text == text) return;
  panels_[i].text = text;
  update(panelRect(i));
  if (!panels_[i].ownerDrawn) NotifyPanelTextChanged(this, i);
}

int StatusPanels::panelWidth(int i) const {
  if (i < 0 || i >= panelCount()) return 0;
  return panels_[i].width;
}

void StatusPanels::setPanelWidth(int i, int width) {
  if (i < 0 || i >= panelCount()) return;
  panels_[i].width = width < 0 ? 0 : width;
  update();
}

QRect StatusPanels::panelRect(int i) const {
  if (i < 0 || i >= panelCount()) return QRect();
  int left = 0;
  for (int k = 0; k < i; ++k) left += panels_[k].width;
  // The last panel runs to the end of the bar, as a status bar's last panel does.
  int w = (i == panelCount() - 1 && width() - left > panels_[i].width) ? width() - left : panels_[i].width;
  return QRect(left, 0, w, height());
}

void StatusPanels::setOwnerDrawn(int i, bool ownerDrawn) {
  if (i < 0 || i >= panelCount()) return;
  panels_[i].ownerDrawn = ownerDrawn;
  update();
}

void StatusPanels::setPanelToolTip(int i, const QString& tip) {
  if (i < 0 || i >= panelCount()) return;
  panels_[i].toolTip = tip;
}

bool StatusPanels::event(QEvent* e) {
  if (e->type() != QEvent::ToolTip) return QWidget::event(e);
  auto* help = static_cast<QHelpEvent*>(e);
  for (int i = 0; i < panelCount(); ++i) {
    QRect r = panelRect(i);
    if (!r.contains(help->pos()) || panels_[i].toolTip.isEmpty()) continue;
    // The tip goes when the mouse leaves the panel it speaks of.
    QToolTip::showText(help->globalPos(), panels_[i].toolTip, this, r);
    return true;
  }
  QToolTip::hideText();
  e->ignore();
  return true;
}

QSize StatusPanels::sizeHint() const {
  int h = fontMetrics().height() + 6;
  if (h < 19) h = 19;
  int w = 0;
  for (const auto& p : panels_) w += p.width;
  return QSize(w, h);
}

void StatusPanels::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  update();
}

void StatusPanels::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  update();
}

void StatusPanels::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Button));
  for (int i = 0; i < panelCount(); ++i) {
    QRect r = panelRect(i);
    if (r.width() <= 0) continue;
    // A lowered bevel around each panel; the panel's content sits inside it.
    QRect inner = r.adjusted(1, 1, -2, -1);
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(inner.topLeft(), inner.topRight());
    p.drawLine(inner.topLeft(), inner.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(inner.bottomLeft(), inner.bottomRight());
    p.drawLine(inner.topRight(), inner.bottomRight());
    QRect content = inner.adjusted(1, 1, -1, -1);
    if (panels_[i].ownerDrawn) {
      if (OnDrawPanel) {
        p.save();
        p.setClipRect(content);
        OnDrawPanel(this, p, i, content);
        p.restore();
      }
      continue;
    }
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(content.adjusted(2, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, panels_[i].text);
  }
  if (hasFocus()) {
    // Drawn whatever the style: some draw a focus only after a key press.
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  }
}

}  // namespace movra
