// The About box: product, version and edition, with a second page on F2.
#pragma once

#include <QDialog>

class QStackedWidget;
class TURL;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* mainWindow = nullptr);

    // "3.0.0": the version the program was built as.
    static QString Version();
    // 0 the main page, 1 the page that F2 shows.
    int CurrentPage() const;
    void ShowPage(int page);

    TURL* urlProduct;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStackedWidget* Pages;
};
