#include "core/FormatJSON.h"

#include <QFileDevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QVariant versVariant(const QJsonValue& valeur)
{
    if (valeur.isArray()) {
        const QJsonArray tableau = valeur.toArray();
        QStringList chaines;
        for (const QJsonValue& element : tableau) {
            if (!element.isString()) {
                return tableau.toVariantList();
            }
            chaines.append(element.toString());
        }
        return chaines;
    }
    return valeur.toVariant();
}

bool lire(QIODevice& fichier, QSettings::SettingsMap& valeurs)
{
    QJsonParseError erreur;
    const QJsonDocument document = QJsonDocument::fromJson(fichier.readAll(), &erreur);
    if (erreur.error != QJsonParseError::NoError || !document.isObject()) {
        return false;
    }
    const QJsonObject objet = document.object();
    for (auto it = objet.begin(); it != objet.end(); ++it) {
        valeurs.insert(it.key(), versVariant(it.value()));
    }
    return true;
}

bool ecrire(QIODevice& fichier, const QSettings::SettingsMap& valeurs)
{
    // The store holds the API key: readable by its owner only, from the first write on.
    auto* const fichierDisque = qobject_cast<QFileDevice*>(&fichier);
    if (fichierDisque == nullptr ||
        !fichierDisque->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        return false;
    }
    const QJsonObject objet = QJsonObject::fromVariantMap(valeurs);
    return fichier.write(QJsonDocument(objet).toJson(QJsonDocument::Indented)) >= 0;
}

} // namespace

QSettings::Format formatPreferencesJSON()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("json"), lire, ecrire);
    return format;
}
