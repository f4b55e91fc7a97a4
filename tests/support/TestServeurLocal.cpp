#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Resultat {
    QNetworkReply::NetworkError erreur;
    int statut;
    QByteArray corps;
};

Resultat obtenir(QNetworkAccessManager& reseau, const QString& url)
{
    std::unique_ptr<QNetworkReply> reponse(reseau.get(QNetworkRequest(QUrl(url))));
    QSignalSpy fin(reponse.get(), &QNetworkReply::finished);
    if (!fin.wait(10000)) {
        return {QNetworkReply::TimeoutError, 0, {}};
    }
    return {reponse->error(), reponse->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
            reponse->readAll()};
}

} // namespace

// The loopback server is what every network test stands on: its scripted forms must behave as announced.
class TestServeurLocal final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formes()
    {
        ServeurLocal serveur;
        QNetworkAccessManager reseau;
        serveur.repondre("GET", "/a", ReponseScriptee::json(201, R"({"x":1})"));
        ReponseScriptee sansLongueur = ReponseScriptee::json(200, "corps entier");
        sansLongueur.forme = ReponseScriptee::Forme::sansLongueur;
        serveur.repondre("GET", "/b", sansLongueur);
        ReponseScriptee coupee;
        coupee.forme = ReponseScriptee::Forme::coupee;
        serveur.repondre("GET", "/c", coupee);
        serveur.repondre("GET", "/d", ReponseScriptee::flux(3'000'000));
        ReponseScriptee interrompue = ReponseScriptee::flux(3'000'000, ReponseScriptee::Forme::interrompue);
        interrompue.coupureApres = 1'000'000;
        serveur.repondre("GET", "/e", interrompue);

        const Resultat a = obtenir(reseau, serveur.origine() + u"/a"_s);
        QCOMPARE(a.statut, 201);
        QCOMPARE(a.corps, R"({"x":1})");
        QCOMPARE(obtenir(reseau, serveur.origine() + u"/b"_s).corps, "corps entier");
        QVERIFY(obtenir(reseau, serveur.origine() + u"/c"_s).erreur != QNetworkReply::NoError);
        const Resultat d = obtenir(reseau, serveur.origine() + u"/d"_s);
        QCOMPARE(d.corps.size(), 3'000'000);
        QCOMPARE(d.corps.at(2'999'999), ReponseScriptee::octetDuFlux(2'999'999));
        QVERIFY(obtenir(reseau, serveur.origine() + u"/e"_s).erreur != QNetworkReply::NoError);
        QCOMPARE(obtenir(reseau, serveur.origine() + u"/inconnue"_s).statut, 404);
        // Qt resends an idempotent GET once when a reused connection closes unanswered.
        QVERIFY(serveur.nombreDeRequetes() >= 6);
        QCOMPARE(serveur.requetes().first().chemin, "/a");
    }

    void requeteEnregistree()
    {
        ServeurLocal serveur;
        QNetworkAccessManager reseau;
        serveur.repondre("POST", "/p", ReponseScriptee::json(200, "{}"));
        QNetworkRequest requete(QUrl(serveur.origine() + u"/p"_s));
        requete.setRawHeader("X-Api-Key", "k");
        std::unique_ptr<QNetworkReply> reponse(reseau.post(requete, QByteArray(R"({"a":"é"})")));
        QVERIFY(serveur.attendreRequetes(1));
        const RequeteRecue recue = serveur.requetes().first();
        QCOMPARE(recue.methode, "POST");
        QCOMPARE(recue.entete("x-api-key"), "k");
        QCOMPARE(recue.corps, QByteArray(R"({"a":"é"})"));
    }
};

VALTO_INSCRIRE_TESTS(TestServeurLocal)
#include "TestServeurLocal.moc"
