#include "BancHistorique.h"

#include "LigneHistorique.h"
#include "api/DepuisAPI.h"
#include "design/ActionIcone.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

const QDateTime BancHistorique::maintenant(QDate(2026, 12, 4), QTime(12, 0), Qt::UTC);

BancHistorique::BancHistorique(const QList<Transfert>& entrees)
{
    env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
    env.preferences().ecrire(Preferences::cleApiKey, u"cle-test"_s);
    env.plateforme().maintenant = [] { return maintenant; };
    env.plateforme().ouvrirURL = [this](const QUrl& url) { ouvertes.append(url); };
    store = std::make_unique<HistoryStore>(env.plateforme(), statsDuServeur(env.preferences()));
    for (auto it = entrees.crbegin(); it != entrees.crend(); ++it) {
        store->ajouter(*it);
    }
    vue = std::make_unique<HistoryView>(*store, env.preferences(), env.plateforme());
    vue->resize(460, 420);
    vue->show();
    // An application that turns inactive closes its popups: the panel holds the focus as on a desk.
    vue->activateWindow();
    if (!QTest::qWaitForWindowActive(vue.get())) {
        qFatal("le panneau ne s’affiche pas");
    }
}

Transfert BancHistorique::entree(const QString& token, const QString& titre)
{
    Transfert t;
    t.token = token;
    t.titre = titre;
    t.url = u"https://transferts.example.test/t/"_s + token;
    t.creeLe = maintenant.addDays(-1);
    t.nbFichiers = 2;
    t.octets = 1500;
    return t;
}

QJsonObject BancHistorique::enregistrement(const QString& token, const QJsonObject& stats)
{
    QJsonObject objet{{u"token"_s, token},
                      {u"titre"_s, u"Rendus"_s},
                      {u"url"_s, u"https://t.test"_s},
                      {u"protege"_s, false},
                      {u"cree_le"_s, u"2026-12-03T12:00:00Z"_s},
                      {u"nb_telechargements"_s, 0},
                      {u"nb_fichiers"_s, 2},
                      {u"octets"_s, 1500}};
    for (auto it = stats.begin(); it != stats.end(); ++it) {
        objet.insert(it.key(), it.value());
    }
    return objet;
}

void BancHistorique::rafraichir(const QJsonArray& enregistrements)
{
    const QByteArray corps = QJsonDocument(QJsonObject{{u"transferts"_s, enregistrements}}).toJson();
    serveur.remplacer("GET", "/api/transferts", ReponseScriptee::json(200, corps));
    QSignalSpy changement(store.get(), &HistoryStore::statsChanged);
    vue->findChild<ActionIcone*>(u"rafraichir"_s)->declencher();
    QVERIFY(changement.wait());
}

void BancHistorique::survoler(int index)
{
    LigneHistorique* ligne = vue->lignes().at(index);
    QTest::mouseMove(vue.get(), ligne->mapTo(vue.get(), QPoint(40, ligne->height() / 2)));
}
