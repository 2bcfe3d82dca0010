// What stands for the pages while the current folder has no figures: a
// picture and the reason (nothing scanned yet, a scan running or stopped).
#pragma once

#include <QWidget>

class QPlainTextEdit;

class TNotReadyPanel : public QWidget {
    Q_OBJECT
public:
    explicit TNotReadyPanel(QWidget* parent);

    QString Text() const;
    void SetText(const QString& text);
    void SetColor(const QColor& color);

private:
    QPlainTextEdit* txtNotReady = nullptr;
};
