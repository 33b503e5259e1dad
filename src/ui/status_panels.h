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

  // What a screen reader reads: each panel's name and its text, or for a panel the owner
  // draws, the text its source gives.
  void setPanelName(int i, const QString& name);
  QString panelName(int i) const;
  void setPanelTextSource(int i, std::function<QString()> source);
  QString panelReadText(int i) const;

  DrawPanelEvent OnDrawPanel;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  bool event(QEvent* e) override;

 private:
  struct Panel {
    int width = 50;
    QString text;
    bool ownerDrawn = false;
    QString name;
    std::function<QString()> textSource;
    QString toolTip;
  };
  std::vector<Panel> panels_;
};

}  // namespace movra
