// Small widgets that the folder pages share: a label that fits a path into
// its width, labels and areas that act on a click, and the white "page"
// background the folder pages are drawn on.
#pragma once

#include <QLabel>
#include <QWidget>

#include <functional>

// Shows a full path shortened to its width by leading "..." folders, or a
// plain text elided at the right; the full text is the tooltip.
class TPathLabel : public QLabel {
    Q_OBJECT
public:
    explicit TPathLabel(QWidget* parent = nullptr);
    void SetPath(const QString& path);
    void SetPlainText(const QString& text);
    const QString& FullText() const { return Full; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Refit();

    QString Full;
    bool IsPath = true;
};

// A label that runs an action when the left button is released over it.
class TClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit TClickLabel(QWidget* parent = nullptr);
    void SetOnClick(std::function<void()> action) { OnClick = std::move(action); }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void()> OnClick;
};

// An area holding other widgets that runs an action on a left click anywhere in it.
class TClickArea : public QWidget {
    Q_OBJECT
public:
    explicit TClickArea(QWidget* parent = nullptr);
    void SetOnClick(std::function<void()> action) { OnClick = std::move(action); }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void()> OnClick;
};

// Gives a page the window (base) colour as its background, as the folder
// pages look like a sheet of paper rather than a dialog.
void UsePageBackground(QWidget* page);
// Makes a label's font bold.
void MakeBold(QWidget* widget);
