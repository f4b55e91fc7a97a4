#include "core/DateISO.h"

#include <QRegularExpression>

std::optional<QDateTime> lireDateISO(QStringView texte)
{
    // Qt::ISODate alone also takes fractions and a missing zone, so the shape is checked first.
    // Qt also takes hour 24 as the next midnight; the internet format stops at 23.
    static const QRegularExpression forme(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T([01]\d|2[0-3]):\d{2}:\d{2}(Z|[+-]\d{2}:\d{2})$)"));
    if (!forme.match(texte.toString()).hasMatch()) {
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
