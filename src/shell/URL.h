// A web address placed on a window (the product and feedback pages), opened
// with the desktop's default browser.
#pragma once

#include <QObject>
#include <QString>

enum TURLType { utFile, utFtp, utGopher, utHttp, utHttps, utMailto, utNews, utTelnet, utWais };

// The scheme put in front of an address: "http://", "mailto:", ...
QString URLPrefix(TURLType type);

class TURL : public QObject {
    Q_OBJECT
public:
    explicit TURL(QObject* parent = nullptr) : QObject(parent) {}
    TURL(const QString& url, TURLType type, QObject* parent = nullptr)
        : QObject(parent), URL(url), URLType(type) {}

    // The full address: the prefix of URLType, then URL.
    QString Address() const { return URLPrefix(URLType) + URL; }
    // False for an empty URL or when no application could open it.
    bool Open() const;

    QString URL; // without its scheme
    TURLType URLType = utHttp;
};

// The addresses the windows link to.
inline constexpr const char* ProductPageURL = "quillmere.fenwright.example/";
inline constexpr const char* FeedbackPageURL = "quillmere.fenwright.example/feedback";
