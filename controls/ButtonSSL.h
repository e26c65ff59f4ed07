// Self-drawn push button: flat or framed, lights up under the mouse, optional icon, colours per
// look, a drop-down menu part, check-box and radio types, and a link opened when clicked.
#pragma once

#include <QColor>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include <QMenu>

class CButtonSSL : public QPushButton {
  Q_OBJECT

 public:
  // Looks whose colours can be set.
  enum ColourState : int { SSL_STATE_NORMAL = 0, SSL_STATE_HOVER = 1, SSL_STATE_PRESSED = 2, SSL_STATE_DISABLED = 3 };
  // Button types, as the window styles number them.
  enum ButtonType : int {
    SSL_PUSHBUTTON = 0, SSL_CHECKBOX = 2, SSL_AUTOCHECKBOX = 3, SSL_RADIOBUTTON = 4, SSL_AUTORADIOBUTTON = 9
  };
  // Style bits.
  static constexpr int SSL_BS_FLAT = 0x1;
  static constexpr int SSL_BS_MENU_BTN = 0x2;
  // Icon placement bits (left and top otherwise).
  static constexpr int SSL_IMAGE_HCENTER = 0x1;
  static constexpr int SSL_IMAGE_RIGHT = 0x2;
  static constexpr int SSL_IMAGE_VCENTER = 0x4;
  static constexpr int SSL_IMAGE_BOTTOM = 0x8;
  static constexpr int kMenuArrowWidth = 16;

  explicit CButtonSSL(QWidget* parent = nullptr);
  explicit CButtonSSL(const QString& text, QWidget* parent = nullptr);

  void SetButtonStyle(int style);
  int GetButtonStyle() const { return m_nStyle; }
  void SetButtonType(int type);
  int GetButtonType() const { return m_nType; }
  // Sets the colours of one look; invalid colours take the palette's button face and text.
  void SetColours(int state, const QColor& background, const QColor& text);
  QColor BackgroundColour(int state) const;
  QColor TextColour(int state) const;
  void SetImagePosition(int flags);
  void SetTextAlignment(Qt::Alignment align);
  // A menu that drops down from the right-hand arrow part; null removes it.
  void SetSSLButtonMenu(QMenu* menu);
  QMenu* GetSSLButtonMenu() const { return m_pMenu; }
  void SetURL(const QString& url) { m_strURL = url; }
  QString GetURL() const { return m_strURL; }
  void SetToolTipText(const QString& text) { setToolTip(text); }
  void SetSSLCursor(const QCursor& cursor) { setCursor(cursor); }

  // Check state for the check-box and radio types; 0 for push buttons.
  int GetCheck() const;
  void SetCheck(int check);

  bool IsHovering() const { return m_bHover; }
  bool IsMenuShown() const { return m_bMenuShown; }
  // The look the button is drawn in now.
  int CurrentColourState() const;

  QSize sizeHint() const override;

 protected:
  virtual void DrawBackground(QPainter* painter, const QRect& rect);
  virtual void DrawBorder(QPainter* painter, const QRect& rect);

  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void nextCheckState() override;
  bool hitButton(const QPoint& pos) const override;

 private:
  void Init();
  bool IsCheckType() const { return m_nType == SSL_CHECKBOX || m_nType == SSL_AUTOCHECKBOX; }
  bool IsRadioType() const { return m_nType == SSL_RADIOBUTTON || m_nType == SSL_AUTORADIOBUTTON; }
  bool HasMenuPart() const { return m_pMenu && (m_nStyle & SSL_BS_MENU_BTN); }
  bool DrawnPressed() const;
  void OnClicked();
  void UncheckGroup();

  QPointer<QMenu> m_pMenu;
  QString m_strURL;
  QColor m_bg[3];
  QColor m_fg[3];
  bool m_bHover = false;
  bool m_bMenuShown = false;
  int m_nStyle = SSL_BS_FLAT;
  Qt::Alignment m_textAlign = Qt::AlignCenter;
  int m_nImagePos = 0;
  int m_nType = SSL_PUSHBUTTON;
};
