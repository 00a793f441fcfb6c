// Small controls of the main window that the toolkit lacks as such: a
// picture button (a transparent picture that clicks) and a clickable text.
#pragma once

#include <QAbstractButton>
#include <QLabel>

// A button drawn only as its picture (the icon property), at its full size,
// with no frame; it clicks like any button.
class PictureButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit PictureButton(QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A text label that reports a left click.
class ClickLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ClickLabel(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};
