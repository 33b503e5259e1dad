// The status bar of the main window: panels of fixed widths side by side, each showing
// a text, except those the owner draws itself.
#pragma once
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QPainter;

namespace movra {

class StatusPanels : public QWidget {
  Q_OBJECT
 public:
  using DrawPanelEvent = std::function<void(StatusPanels* bar, QPainter& p, int panel, const QRect& rect)>;

  StatusPanels(int panelCount, int panelWidth, QWidget* parent = nullptr);

  int panelCount() const { return static_cast<int>(panels_.size()); }
  QString panelText(int i) const;
  void setPanelText(int i, const QString& text);
  int panelWidth(int i) const;
  void setPanelWidth(int i, int width);
  // The panel's rectangle inside the bar.
  QRect panelRect(int i) const;
  // Panels marked owner-drawn are painted by OnDrawPanel instead of their text.
  void setOwnerDrawn(int i, bool ownerDrawn);
  // The tool tip shown while the mouse rests on the panel; none when empty.
  void setPanelToolTip(int i, const QString& tip);

  DrawPanelEvent OnDrawPanel;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  bool event(QEvent* e) override;

 private:
  struct Panel {
    int width = 50;
    QString text;
    bool ownerDrawn = false;
    QString toolTip;
  };
  std::vector<Panel> panels_;
};

}  // namespace movra
