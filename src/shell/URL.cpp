// Opening TURL addresses.
#include "shell/URL.h"

#include "shell/Launch.h"

QString URLPrefix(TURLType type) {
    switch (type) {
    case utFile:
        return QStringLiteral("file://");
    case utFtp:
        return QStringLiteral("ftp://");
    case utGopher:
        return QStringLiteral("gopher://");
    case utHttp:
        return QStringLiteral("http://");
    case utHttps:
        return QStringLiteral("https://");
    case utMailto:
        return QStringLiteral("mailto:");
    case utNews:
        return QStringLiteral("news:");
    case utTelnet:
        return QStringLiteral("telnet:");
    case utWais:
        return QStringLiteral("wais:");
    }
    return {};
}

bool TURL::Open() const {
    if (URL.isEmpty())
        return false;
    return LaunchFile(Address().toStdString()).Ok;
}
