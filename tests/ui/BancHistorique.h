#pragma once

#include "HistoryView.h"
#include "LigneHistorique.h"
#include "core/HistoryStore.h"
#include "support/EnvironnementTest.h"
#include "support/ServeurLocal.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

#include <memory>

// The history panel on screen over a real store, with a fixed clock, the loopback server as the transfer
// server and the browser replaced by a list of the URLs it was asked to open.
struct BancHistorique {
    static const QDateTime maintenant;

    EnvironnementTest env;
    ServeurLocal serveur;
    QList<QUrl> ouvertes;
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<HistoryView> vue;

    explicit BancHistorique(const QList<Transfert>& entrees);

    // An entry sent yesterday: two files, 1.5 kB, never expiring.
    static Transfert entree(const QString& token, const QString& titre = QStringLiteral("Rendus"));
    // The server's record of `token` with these statistics keys.
    static QJsonObject enregistrement(const QString& token, const QJsonObject& stats = {});

    // The server lists `enregistrements`; the header button refreshes and the panel shows the result.
    void rafraichir(const QJsonArray& enregistrements);
    // Puts the pointer on row `index` (the panel's own coordinates).
    void survoler(int index);
    template <typename T> T* dans(int index, const QString& nom) const
    {
        return vue->lignes().at(index)->template findChild<T*>(nom);
    }
};
