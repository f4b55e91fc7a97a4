#include "core/Affichage.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QStringList>

#include <cstdio>
#include <limits>

namespace {

quint32 indexSansBiais(quint32 borne)
{
    // Draws in the top remainder of the 32-bit range would favour the low indexes: draw again.
    constexpr quint32 etendue = std::numeric_limits<quint32>::max();
    const quint32 limite = etendue - (etendue % borne + 1) % borne;
    quint32 tirage = 0;
    do {
        tirage = QRandomGenerator::system()->generate();
    } while (tirage > limite);
    return tirage % borne;
}

} // namespace

using namespace Qt::StringLiterals;

QString nouveauToken()
{
    QString token;
    token.reserve(10);
    for (int i = 0; i < 10; ++i) {
        token.append(alphabetToken.at(indexSansBiais(static_cast<quint32>(alphabetToken.size()))));
    }
    return token;
}

QString formaterTaille(qint64 octets)
{
    if (octets <= 999) {
        return QString::number(octets) + u" o"_s;
    }
    static const QStringList unites = {u"Ko"_s, u"Mo"_s, u"Go"_s, u"To"_s};
    double valeur = static_cast<double>(octets) / 1000.0;
    qsizetype unite = 0;
    while (valeur >= 1000.0 && unite + 1 < unites.size()) {
        valeur /= 1000.0;
        ++unite;
    }
    // C's printf rounds exact halves to even ("1,2 Ko" for 1250 o); QString::asprintf does not.
    char nombre[32];
    std::snprintf(nombre, sizeof nombre, valeur >= 100.0 ? "%.0f" : "%.1f", valeur);
    return QString::fromLatin1(nombre).replace(u'.', u',') + u' ' + unites.at(unite);
}

QString formaterExpiration(qint64 jours)
{
    if (jours == 0) {
        return u"jamais"_s;
    }
    return u"%1 jour%2"_s.arg(jours).arg(jours > 1 ? u"s"_s : QString());
}

QString formaterDate(const QDateTime& instant)
{
    static const QLocale suisseRomande(QStringLiteral("fr_CH"));
    return suisseRomande.toString(instant.toLocalTime(), QStringLiteral("d MMMM yyyy"));
}

QString abregerAuMilieu(const QString& texte, qsizetype longueurMax)
{
    if (texte.size() <= longueurMax) {
        return texte;
    }
    // The end (the file's name) matters more than the start; a character in two UTF-16 units stays whole.
    qsizetype debut = (longueurMax - 1) / 3;
    qsizetype fin = texte.size() - (longueurMax - 1 - debut);
    if (debut > 0 && texte.at(debut - 1).isHighSurrogate()) {
        --debut;
    }
    if (texte.at(fin).isLowSurrogate()) {
        ++fin;
    }
    return texte.left(debut) + u'…' + texte.mid(fin);
}
