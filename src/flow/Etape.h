#pragma once

#include "core/Transfert.h"

#include <QMetaType>

// Where a transfer flow stands; `termine` carries the registered transfer, `erreur` the message to show.
struct Etape final {
    enum class Cas { attente, options, copie, enregistrement, termine, erreur };

    Cas cas = Cas::attente;
    Transfert transfert;
    QString message;

    static Etape attente() { return {}; }
    static Etape options() { return {Cas::options, {}, {}}; }
    static Etape copie() { return {Cas::copie, {}, {}}; }
    static Etape enregistrement() { return {Cas::enregistrement, {}, {}}; }
    static Etape termine(Transfert t) { return {Cas::termine, std::move(t), {}}; }
    static Etape erreur(QString texte) { return {Cas::erreur, {}, std::move(texte)}; }

    // Idle steps let an update install.
    bool estInactive() const { return cas == Cas::attente || cas == Cas::erreur; }

    bool operator==(const Etape&) const = default;
};

Q_DECLARE_METATYPE(Etape)
