#include "api/EnregistrementsServeur.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

// A server answer, as a single record or as the list the statistics refresh reads.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(reinterpret_cast<const char*>(donnees), static_cast<qsizetype>(taille)));
    if (document.isArray()) {
        for (const QJsonValue& element : document.array()) {
            (void)TransfertAPI::depuisJSON(element);
        }
    } else if (document.isObject()) {
        const auto transfert = TransfertAPI::depuisJSON(document.object());
        if (transfert) {
            (void)transfert->dateCreation(QDateTime::currentDateTimeUtc());
        }
    }
    return 0;
}
