// A dialog whose children follow its size. Each anchored child keeps the distance of its corners
// from two anchor points, given as percentages of the dialog's client size; a child whose two
// anchors are equal moves without changing its size. Top-level dialogs get a size grip and cannot
// be made smaller than the size they were first shown at.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QSizeGrip;

// A point of the client area in percent of its width and height.
struct Anchor {
  int x = -1;
  int y = -1;
  friend bool operator==(const Anchor&, const Anchor&) = default;
};

namespace anchor {
inline constexpr Anchor TopLeft{0, 0};
inline constexpr Anchor TopCenter{50, 0};
inline constexpr Anchor TopRight{100, 0};
inline constexpr Anchor MiddleLeft{0, 50};
inline constexpr Anchor MiddleCenter{50, 50};
inline constexpr Anchor MiddleRight{100, 50};
inline constexpr Anchor BottomLeft{0, 100};
inline constexpr Anchor BottomCenter{50, 100};
inline constexpr Anchor BottomRight{100, 100};
inline constexpr Anchor None{-1, -1};
}  // namespace anchor

// One anchored child.
struct LayoutInfo {
  QPointer<QWidget> child;
  QString className;
  Anchor topLeft;
  Anchor bottomRight;
  QPoint topLeftMargin;      // child's top-left corner less the top-left anchor point
  QPoint bottomRightMargin;  // child's bottom-right corner (exclusive) less the bottom-right anchor point
};

class CResizableDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CResizableDialog(QWidget* parent = nullptr);
  ~CResizableDialog() override;

  // Anchors a child of this dialog at its present geometry and the present client size. With no
  // bottom-right anchor the child moves with its top-left anchor and keeps its size. Anchoring a
  // child again replaces its earlier anchors.
  void AddAnchor(QWidget* child, Anchor topLeft, Anchor bottomRight = anchor::None);
  // Places every anchored child for the present client size.
  void ArrangeLayout();
  void ClearAnchors();

  // The child's rectangle for a client rectangle (integer percentages, margins added).
  static QRect AnchoredRect(const LayoutInfo& info, const QRect& client);
  const std::vector<LayoutInfo>& Anchors() const { return layout_; }

  // Off unless turned on: at its first show, once it has placed itself, the dialog fits into its
  // screen's available area (controls/ScreenFit.h) before that size becomes its smallest.
  void SetFitToScreen(bool fit) { fitToScreen_ = fit; }

  // The size grip; null for dialogs built without one.
  QSizeGrip* SizeGrip() const { return grip_; }

  // Placement writer: off unless turned on. When on, the placement is handed to the writer as
  // "left,top,right,bottom,show,flags" under the entry "WindowPlacement" of the section when
  // the dialog is destroyed.
  using PlacementWriter = std::function<void(const QString& section, const QString& entry, const QString& text)>;
  void EnableSaveRestore(const QString& section, PlacementWriter writer, bool rectOnly = true);
  QString PlacementText() const;

 protected:
  // For dialogs that are never top-level windows (tab pages): no size grip, no minimum size.
  CResizableDialog(QWidget* parent, bool withGrip);

  // The client rectangle the anchors refer to.
  virtual QRect GetTotalClientRect() const;

  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PlaceGrip();

  std::vector<LayoutInfo> layout_;
  QSizeGrip* grip_ = nullptr;
  bool minimumTaken_ = false;
  bool fitToScreen_ = false;
  bool saveRestore_ = false;
  bool rectOnly_ = true;
  QString section_;
  PlacementWriter writer_;
};
