#pragma once

#include <QMetaType>
#include <QString>
#include <optional>

// What the update banner shows: nothing, a download (with its fraction when known), a staged update, a
// failure.
struct Etat final {
    enum class Cas { aucune, telechargement, prete, echec };

    Cas cas = Cas::aucune;
    std::optional<double> fraction;
    QString message;

    static Etat aucune() { return {}; }
    static Etat telechargement(std::optional<double> fraction = std::nullopt)
    {
        return {Cas::telechargement, fraction, {}};
    }
    static Etat prete() { return {Cas::prete, std::nullopt, {}}; }
    static Etat echec(QString message) { return {Cas::echec, std::nullopt, std::move(message)}; }

    bool operator==(const Etat&) const = default;
};

// The newer release a manifest names; `sha256` is the image's checksum when the manifest gives one.
struct VersionInfo final {
    QString version;
    QString url;
    std::optional<QString> sha256;

    bool operator==(const VersionInfo&) const = default;
};

Q_DECLARE_METATYPE(Etat)
Q_DECLARE_METATYPE(VersionInfo)
