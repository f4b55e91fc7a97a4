#include "core/DateISO.h"

namespace {

// "D" stands for an ASCII digit, any other character for itself.
bool aLaForme(QStringView texte, QStringView forme)
{
    if (texte.size() != forme.size()) {
        return false;
    }
    for (qsizetype i = 0; i < forme.size(); ++i) {
        const bool chiffre = texte[i] >= u'0' && texte[i] <= u'9';
        if (forme[i] == u'D' ? !chiffre : texte[i] != forme[i]) {
            return false;
        }
    }
    return true;
}

// Qt::ISODate alone also takes fractions and a missing zone, so the shape is checked first.
// Qt also takes hour 24 as the next midnight; the internet format stops at 23.
bool formeInternet(QStringView texte)
{
    constexpr qsizetype longueurSansZone = 19;
    const QStringView zone = texte.mid(std::min(texte.size(), longueurSansZone));
    const bool zoneValide =
        zone == u"Z" || ((zone.startsWith(u'+') || zone.startsWith(u'-')) && aLaForme(zone.mid(1), u"DD:DD"));
    return zoneValide && aLaForme(texte.left(longueurSansZone), u"DDDD-DD-DDTDD:DD:DD") &&
           texte.mid(11, 2) <= u"23";
}

} // namespace

std::optional<QDateTime> lireDateISO(QStringView texte)
{
    if (!formeInternet(texte)) {
        return std::nullopt;
    }
    const QDateTime instant = QDateTime::fromString(texte.toString(), Qt::ISODate);
    if (!instant.isValid()) {
        return std::nullopt;
    }
    return instant.toUTC();
}

QString ecrireDateISO(const QDateTime& instant)
{
    return instant.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}
