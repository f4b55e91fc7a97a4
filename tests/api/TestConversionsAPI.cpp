#include "api/DepuisAPI.h"
#include "api/EnregistrementsServeur.h"
#include "support/ExecuterTests.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QJsonObject enregistrementComplet()
{
    return QJsonObject{
        {u"token"_s, u"abc123defg"_s},
        {u"titre"_s, u"Photos"_s},
        {u"url"_s, u"https://t.example/abc123defg"_s},
        {u"protege"_s, true},
        {u"cree_le"_s, u"2026-12-04T09:30:00Z"_s},
        {u"expire_le"_s, u"2026-12-11T10:30:00+01:00"_s},
        {u"nb_telechargements"_s, 3},
        {u"dernier_telechargement"_s, u"2026-12-05T08:00:00+01:00"_s},
        {u"nb_vues"_s, 7},
        {u"premiere_vue"_s, u"2026-12-04T10:00:00Z"_s},
        {u"derniere_vue"_s, u"2026-12-05T11:00:00Z"_s},
        {u"type"_s, u"transfert"_s},
        {u"nb_fichiers"_s, 2},
        {u"octets"_s, 123456},
    };
}

QDateTime le(int jour, int heure)
{
    return QDateTime(QDate(2026, 12, jour), QTime(heure, 0), Qt::UTC);
}

const QDateTime maintenant = le(6, 12);

} // namespace

class TestConversionsAPI final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A required key absent, null or of another type makes the record undecodable, naming the key;
    // optional ones may be absent or null, and unknown keys are ignored.
    void decodage_data()
    {
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QJsonValue>("valeur"); // undefined: the key is removed
        QTest::addColumn<bool>("decodable");
        const QJsonValue absente(QJsonValue::Undefined);
        QTest::newRow("token absent") << u"token"_s << absente << false;
        QTest::newRow("cree_le nul") << u"cree_le"_s << QJsonValue() << false;
        QTest::newRow("protege nombre") << u"protege"_s << QJsonValue(1) << false;
        QTest::newRow("octets fractionnaire") << u"octets"_s << QJsonValue(1.5) << false;
        QTest::newRow("nb_telechargements absent") << u"nb_telechargements"_s << absente << false;
        QTest::newRow("nb_vues tableau") << u"nb_vues"_s << QJsonValue(QJsonArray{1}) << false;
        QTest::newRow("expire_le nombre") << u"expire_le"_s << QJsonValue(1) << false;
        QTest::newRow("expire_le nul") << u"expire_le"_s << QJsonValue() << true;
        QTest::newRow("clé inconnue") << u"inconnue"_s << QJsonValue(QJsonObject{{u"x"_s, 1}}) << true;
    }
    void decodage()
    {
        QFETCH(QString, cle);
        QFETCH(QJsonValue, valeur);
        QFETCH(bool, decodable);
        QJsonObject objet = enregistrementComplet();
        valeur.isUndefined() ? void(objet.remove(cle)) : void(objet.insert(cle, valeur));
        const Resultat<TransfertAPI> t = TransfertAPI::depuisJSON(objet);
        QCOMPARE(t.has_value(), decodable);
        if (!decodable) {
            QCOMPARE(t.error().description(),
                     u"Réponse du serveur illisible : la valeur « %1 » est absente ou invalide."_s.arg(cle));
        }
    }

    void transfertDepuisReponse()
    {
        const TransfertAPI complet = *TransfertAPI::depuisJSON(enregistrementComplet());
        QCOMPARE(transfertDepuisAPI(complet, u"secret"_s, u"compare"_s, maintenant),
                 (Transfert{u"abc123defg"_s, u"Photos"_s, u"https://t.example/abc123defg"_s, true,
                            le(4, 9).addSecs(1800), le(11, 9).addSecs(1800), 2, 123456, u"secret"_s,
                            u"transfert"_s}));

        // Dates that do not parse: created now, no expiry. No type: the mode's word. No password typed.
        QJsonObject objet = enregistrementComplet();
        objet.insert(u"cree_le"_s, u"2026-12-04T09:30:00.250Z"_s);
        objet.insert(u"expire_le"_s, u"2026-12-11T09:30:00"_s);
        objet.remove(u"type"_s);
        QCOMPARE(transfertDepuisAPI(*TransfertAPI::depuisJSON(objet), QString(), u"compare"_s, maintenant),
                 (Transfert{u"abc123defg"_s, u"Photos"_s, u"https://t.example/abc123defg"_s, true, maintenant,
                            std::nullopt, 2, 123456, std::nullopt, u"compare"_s}));
    }

    void statistiques()
    {
        QCOMPARE(statsDepuisAPI(*TransfertAPI::depuisJSON(enregistrementComplet())),
                 (StatsTransfert{7, le(4, 10), le(5, 11), 3, le(5, 7)}));
        QJsonObject partiel = enregistrementComplet();
        partiel.remove(u"nb_vues"_s);
        partiel.insert(u"premiere_vue"_s, QJsonValue());
        partiel.insert(u"derniere_vue"_s, u"hier"_s);
        QCOMPARE(statsDepuisAPI(*TransfertAPI::depuisJSON(partiel)),
                 (StatsTransfert{0, std::nullopt, std::nullopt, 3, le(5, 7)}));
    }
};

VALTO_INSCRIRE_TESTS(TestConversionsAPI)
#include "TestConversionsAPI.moc"
