// The white band at the top of the tool dialogs: an icon, a bold title and a description that
// wraps word by word and ends in "..." when it does not fit.
#pragma once

#include <QFont>
#include <QIcon>
#include <QString>
#include <QWidget>

#include "shared/Paragraph.h"

class CDialogHeaderCtrl : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kIconSize = 32;

  explicit CDialogHeaderCtrl(QWidget* parent = nullptr);

  void SetTitle(const QString& title);
  void SetDescription(const QString& description);
  // The program's icon of that id; an id without an icon leaves the band without one.
  void SetIconId(int id);

  QString Title() const { return title_; }
  QString Description() const { return description_; }
  QIcon Icon() const { return icon_; }
  int TextIndent() const { return indent_; }
  int Margin() const { return margin_; }
  QFont TitleFont() const { return titleFont_; }
  QFont DescriptionFont() const { return descriptionFont_; }
  const CParagraph& Paragraph() const { return paragraph_; }
  // The description's rectangle for the band's present size.
  QRect DescriptionRect() const;
  // Where the title is drawn (its top-left point).
  QPoint TitleOrigin() const;

  // The icon of a resource id of the dialogs; null for an unknown id.
  static QIcon IconForId(int id);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QFont titleFont_;
  QFont descriptionFont_;
  QString title_;
  QString description_;
  int indent_ = 50;
  int margin_ = 5;
  QIcon icon_;
  CParagraph paragraph_;
};
