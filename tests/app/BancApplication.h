#pragma once

#include "support/EnvironnementTest.h"
#include "support/ServeurLocal.h"
#include "update/OutilsFactices.h"

#include <QByteArray>
#include <QStringList>

#include <memory>

class ContentView;
class FenetrePrincipale;
class ValtoTransferApp;

// The whole application on a test platform: the loopback server plays the transfer server (API at
// 127.0.0.1, releases at "localhost", so the two hosts differ), a NAS with the share DATA, stand-in
// update tools, a running 1.4 whose relaunch only counts.
class BancApplication final {
public:
    static const QByteArray reponseCreation;

    BancApplication();
    ~BancApplication();

    EnvironnementTest env;
    OutilsFactices outils{env};
    ServeurLocal serveur;
    int terminaisons = 0;
    const QString dossierCopies;

    // Made at first use, so a test can adjust the platform and preferences first.
    ValtoTransferApp& app();
    FenetrePrincipale& fenetre();
    ContentView& contenu();
    // Shows the window; its start-up task begins.
    void montrer();

    // Offers version 2.0 whose image (any body) holds one bundle.
    void publier20(const ReponseScriptee& image);
    QString creer(const QString& relatif, const QByteArray& contenu = "x")
    {
        return env.creerFichier(relatif, contenu);
    }
    QStringList requetesVers(const QByteArray& methode) const;

private:
    std::unique_ptr<ValtoTransferApp> m_app;
};
