// How soon the sender sees a download: from the moment the downloader holds the last byte to the repaint
// of the history row's indicator, through the real server's event stream on loopback. The same chain as
// the application (listener, receipts, store, panel), notices turned off.
#include "HistoryView.h"
#include "IndicateurStatut.h"
#include "LigneHistorique.h"
#include "api/DepuisAPI.h"
#include "api/EcouteEvenements.h"
#include "core/HistoryStore.h"
#include "NotificationsBureau.h"
#include "design/Animations.h"
#include "AccusesReception.h"
#include "serveur/ServeurDeTest.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QNetworkReply>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int telechargements = 200;

// Notes when a widget paints, once armed.
class GuetteurPeinture final : public QObject {
public:
    std::optional<qint64> peinte;
    const QElapsedTimer* chrono = nullptr;
    bool arme = false;
    std::function<void()> ensuite;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        if (arme && evenement->type() == QEvent::Paint) {
            peinte = chrono->nsecsElapsed();
            arme = false;
            ensuite();
        }
        return QObject::eventFilter(objet, evenement);
    }
};

double centile(QList<double> valeurs, double part)
{
    std::sort(valeurs.begin(), valeurs.end());
    return valeurs.at(std::min(valeurs.size() - 1, qsizetype(part * double(valeurs.size()))));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    Animations::setActives(false);
    ServeurDeTest serveur;
    serveur.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
    const TransfertAPI cree = serveur.creer(corpsDe(u"mesure0001"_s, {u"DATA/Clients/a.txt"_s}));

    EnvironnementTest env;
    Preferences& preferences = env.preferences();
    preferences.ecrire(Preferences::cleApiBaseURL, serveur.origine());
    preferences.ecrire(Preferences::cleApiKey, serveur.cle());
    preferences.ecrire(Preferences::clePrevenirReceptions, false);
    HistoryStore store(env.plateforme(), statsDuServeur(preferences));
    store.ajouter(transfertDepuisAPI(cree, {}, u"transfert"_s, QDateTime::currentDateTimeUtc()));
    NotificationsBureau notifications;
    AccusesReception accuses(store, preferences, notifications, env.plateforme());
    EcouteEvenements ecoute(preferences);
    QObject::connect(&ecoute, &EcouteEvenements::transfertTelecharge, &accuses,
                     &AccusesReception::surTelechargement);
    HistoryView vue(store, preferences, env.plateforme());
    vue.resize(460, 420);
    vue.show();
    if (!QTest::qWaitForWindowExposed(&vue) || vue.lignes().isEmpty()) {
        qFatal("panneau non affiché");
    }
    ecoute.demarrer();
    if (!QTest::qWaitFor([&] { return ecoute.fluxOuvert(); }, 5000)) {
        qFatal("flux d’événements non ouvert");
    }

    QElapsedTimer chrono;
    chrono.start();
    GuetteurPeinture guetteur;
    guetteur.chrono = &chrono;
    // The indicator is what the row always shows; the status line only under the pointer.
    vue.lignes().first()->findChild<IndicateurStatut*>()->installEventFilter(&guetteur);
    QObject::connect(&store, &HistoryStore::statsChanged, [&] { guetteur.arme = true; });
    QNetworkAccessManager client;
    QNetworkRequest requete(QUrl(serveur.origine() + u"/t/mesure0001/f/a.txt"_s));
    requete.setRawHeader("User-Agent",
                         "Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0");

    // A plain event loop: QTest's waits sleep between rounds and would add their own delay.
    QEventLoop boucle;
    QTimer garde;
    garde.setSingleShot(true);
    QObject::connect(&garde, &QTimer::timeout, &boucle, &QEventLoop::quit);
    QList<double> latences;
    int avantLeClient = 0;
    for (int i = 0; i < telechargements; ++i) {
        guetteur.peinte.reset();
        std::optional<qint64> dernierOctet;
        const auto finir = [&] {
            if (dernierOctet && guetteur.peinte) {
                boucle.quit();
            }
        };
        guetteur.ensuite = finir;
        QNetworkReply* reponse = client.get(requete);
        QObject::connect(reponse, &QNetworkReply::finished, [&] {
            dernierOctet = chrono.nsecsElapsed();
            finir();
        });
        garde.start(5000);
        boucle.exec();
        const bool vu = dernierOctet && guetteur.peinte;
        reponse->deleteLater();
        if (!vu || store.stats().value(cree.token).nbTelechargements != i + 1) {
            qFatal("téléchargement %d : ligne non repeinte", i + 1);
        }
        // The row may repaint before the downloader's own last read is handled: that counts as no wait.
        avantLeClient += *guetteur.peinte < *dernierOctet ? 1 : 0;
        latences.append(double(std::max<qint64>(0, *guetteur.peinte - *dernierOctet)) / 1e6);
    }
    std::printf("Dernier octet d’un téléchargement → ligne d’historique repeinte, %d téléchargements sur la "
                "boucle locale\n",
                telechargements);
    std::printf(
        "médiane %.2f ms, 99e centile %.2f ms, pire %.2f ms (objectif : 99e centile sous 200 ms) ; %d "
        "lignes repeintes avant que le client ait traité son dernier octet, comptées 0 ms\n",
        centile(latences, 0.5), centile(latences, 0.99), centile(latences, 1.0), avantLeClient);
    return 0;
}
