// The About box.
#include "shell/AboutBox.h"

#include "settings/Product.h"
#include "shell/HelpWindow.h"
#include "shell/URL.h"
#include "shell/WindowPlacement.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#ifndef QUILLMERE_VERSION
#error "the build passes QUILLMERE_VERSION"
#endif

namespace {

QLabel* Text(const QString& text, const char* objectName = nullptr) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    if (objectName)
        label->setObjectName(QString::fromLatin1(objectName));
    return label;
}

} // namespace

QString TAboutBox::Version() {
    return QStringLiteral(QUILLMERE_VERSION);
}

TAboutBox::TAboutBox(QWidget* mainWindow)
    : QDialog(mainWindow), urlProduct(new TURL(QString::fromLatin1(ProductPageURL), utHttp, this)),
      Pages(new QStackedWidget) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Quillmere"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);

    // Main page.
    auto* main = new QWidget;
    auto* mainLayout = new QVBoxLayout(main);
    QString version = Version().section(QLatin1Char('.'), 0, 1);
    auto* product = Text(QStringLiteral("<a href=\"product\">%1 %2</a>")
                             .arg(QString::fromLatin1(ProductTitle), version),
                         "txtProduct");
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    product->setFont(big);
    product->setToolTip(urlProduct->Address());
    connect(product, &QLabel::linkActivated, this, [this] { urlProduct->Open(); });
    mainLayout->addWidget(product);
    mainLayout->addWidget(Text(QStringLiteral("Campus Edition"), "txtEdition"));
    auto* build = Text(QStringLiteral("Build ") + Version(), "txtBuild");
    build->setAlignment(Qt::AlignRight);
    mainLayout->addWidget(build);
    mainLayout->addWidget(Text(QStringLiteral(
        "Copyright \u00A9 Fenwright. All rights reserved.\n\n"
        "Quillmere shows where the space on your drives goes. It only reads your "
        "drives while scanning; files and folders change only when you ask for it.")));
    mainLayout->addStretch();
    auto* mainButtons = new QHBoxLayout;
    auto* support = new QPushButton(QStringLiteral("&Support"));
    support->setObjectName(QStringLiteral("cmdSupport"));
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    mainButtons->addWidget(support);
    mainButtons->addStretch();
    mainButtons->addWidget(ok);
    mainLayout->addLayout(mainButtons);
    connect(support, &QPushButton::clicked, this, [this] { ShowHelp(HelpSupport, this); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    Pages->addWidget(main);

    // Second page.
    auto* credits = new QWidget;
    auto* creditsLayout = new QVBoxLayout(credits);
    creditsLayout->addWidget(
        Text(QStringLiteral("Quillmere is written in C++ and built on Qt, GLib and libarchive.\n\n"
                            "Thanks to everyone who tried the early builds and told us what "
                            "they found.")),
        1);
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("cmdClose"));
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(close);
    creditsLayout->addLayout(closeRow);
    connect(close, &QPushButton::clicked, this, [this] { ShowPage(0); });
    Pages->addWidget(credits);

    setMinimumWidth(360);
    CenterOverMainWindow(mainWindow, this);
}

int TAboutBox::CurrentPage() const {
    return Pages->currentIndex();
}

void TAboutBox::ShowPage(int page) {
    Pages->setCurrentIndex(page);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
        ShowPage(1);
        return;
    }
    QDialog::keyPressEvent(event);
}
