#include "api/DepuisAPI.h"
#include "api/EnregistrementsServeur.h"
#include "support/ExecuterTests.h"

#include <QJsonArray>
#include <QJsonDocument>
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
        {u"expire_le"_s, u"2026-12-11T09:30:00Z"_s},
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

QDateTime utc(int jour, int heure, int minute = 0)
{
    return QDateTime(QDate(2026, 12, jour), QTime(heure, minute), Qt::UTC);
}

} // namespace

class TestConversionsAPI final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A required key absent, null or of another type makes the record undecodable; optional ones may be null.
    void decodageIncorrect_data()
    {
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QJsonValue>("valeur");
        QTest::addColumn<bool>("decodable");
        const QJsonValue absente(QJsonValue::Undefined);
        for (const QString& requise : {u"token"_s, u"titre"_s, u"url"_s, u"cree_le"_s}) {
            QTest::addRow("%s absente", qPrintable(requise)) << requise << absente << false;
            QTest::addRow("%s nulle", qPrintable(requise)) << requise << QJsonValue() << false;
            QTest::addRow("%s nombre", qPrintable(requise)) << requise << QJsonValue(5) << false;
        }
        for (const QString& requise : {u"nb_telechargements"_s, u"nb_fichiers"_s, u"octets"_s}) {
            QTest::addRow("%s absente", qPrintable(requise)) << requise << absente << false;
            QTest::addRow("%s nulle", qPrintable(requise)) << requise << QJsonValue() << false;
            QTest::addRow("%s texte", qPrintable(requise)) << requise << QJsonValue(u"5"_s) << false;
            QTest::addRow("%s fractionnaire", qPrintable(requise)) << requise << QJsonValue(1.5) << false;
            QTest::addRow("%s booléen", qPrintable(requise)) << requise << QJsonValue(true) << false;
        }
        QTest::newRow("protege absente") << u"protege"_s << absente << false;
        QTest::newRow("protege nombre") << u"protege"_s << QJsonValue(1) << false;
        for (const QString& optionnelle : {u"expire_le"_s, u"dernier_telechargement"_s, u"nb_vues"_s,
                                           u"premiere_vue"_s, u"derniere_vue"_s, u"type"_s}) {
            QTest::addRow("%s absente", qPrintable(optionnelle)) << optionnelle << absente << true;
            QTest::addRow("%s nulle", qPrintable(optionnelle)) << optionnelle << QJsonValue() << true;
            QTest::addRow("%s tableau", qPrintable(optionnelle))
                << optionnelle << QJsonValue(QJsonArray{1}) << false;
        }
        QTest::newRow("clé inconnue") << u"inconnue"_s << QJsonValue(QJsonObject{{u"x"_s, 1}}) << true;
    }
    void decodageIncorrect()
    {
        QFETCH(QString, cle);
        QFETCH(QJsonValue, valeur);
        QFETCH(bool, decodable);
        QJsonObject objet = enregistrementComplet();
        if (valeur.isUndefined()) {
            objet.remove(cle);
        } else {
            objet.insert(cle, valeur);
        }
        const auto t = TransfertAPI::depuisJSON(objet);
        QCOMPARE(t.has_value(), decodable);
        if (!decodable) {
            QVERIFY2(t.error().description().contains(cle), qPrintable(t.error().description()));
        }
    }

    void pasUnObjet()
    {
        QVERIFY(!TransfertAPI::depuisJSON(QJsonValue(QJsonArray{})).has_value());
        QVERIFY(!TransfertAPI::depuisJSON(QJsonValue(u"texte"_s)).has_value());
    }

    void octetsAuDelaDeDeuxPuissance53()
    {
        QByteArray json = QJsonDocument(enregistrementComplet()).toJson();
        json.replace("123456", "9007199254740993");
        const auto t = TransfertAPI::depuisJSON(QJsonDocument::fromJson(json).object());
        QVERIFY(t.has_value());
        QCOMPARE(t->octets, Q_INT64_C(9007199254740993));
    }

    void transfertDepuisReponse()
    {
        const Transfert t = transfertDepuisAPI(*TransfertAPI::depuisJSON(enregistrementComplet()),
                                               u"secret"_s, u"compare"_s, QDateTime::currentDateTimeUtc());
        QCOMPARE(t.token, u"abc123defg"_s);
        QCOMPARE(t.url, u"https://t.example/abc123defg"_s);
        QCOMPARE(t.creeLe, utc(4, 9, 30));
        QCOMPARE(t.expireLe, std::optional<QDateTime>(utc(11, 9, 30)));
        QCOMPARE(t.motDePasse, std::optional<QString>(u"secret"_s));
        QCOMPARE(t.type, std::optional<QString>(u"transfert"_s));
        QCOMPARE(t.nbFichiers, 2);
    }

    void transfertDatesIllisibles()
    {
        QJsonObject objet = enregistrementComplet();
        objet.insert(u"cree_le"_s, u"2026-12-04T09:30:00.250Z"_s);
        objet.insert(u"expire_le"_s, u"2026-12-11T09:30:00.250Z"_s);
        objet.remove(u"type"_s);
        const QDateTime avant = QDateTime::currentDateTimeUtc().addSecs(-1);
        const Transfert t = transfertDepuisAPI(*TransfertAPI::depuisJSON(objet), QString(), u"compare"_s,
                                               QDateTime::currentDateTimeUtc());
        QVERIFY(t.creeLe >= avant && t.creeLe <= QDateTime::currentDateTimeUtc());
        QCOMPARE(t.expireLe, std::nullopt);
        QCOMPARE(t.motDePasse, std::nullopt);
        QCOMPARE(t.type, std::optional<QString>(u"compare"_s));
        QVERIFY(t.protege);
    }

    void statistiques()
    {
        const StatsTransfert s = statsDepuisAPI(*TransfertAPI::depuisJSON(enregistrementComplet()));
        QCOMPARE(s.nbVues, 7);
        QCOMPARE(s.nbTelechargements, 3);
        QCOMPARE(s.premiereVue, std::optional<QDateTime>(utc(4, 10)));
        QCOMPARE(s.dernierTelechargement, std::optional<QDateTime>(utc(5, 7)));

        QJsonObject objet = enregistrementComplet();
        objet.remove(u"nb_vues"_s);
        objet.insert(u"derniere_vue"_s, u"hier"_s);
        const StatsTransfert partielles = statsDepuisAPI(*TransfertAPI::depuisJSON(objet));
        QCOMPARE(partielles.nbVues, 0);
        QCOMPARE(partielles.nbTelechargements, 3);
        QCOMPARE(partielles.derniereVue, std::nullopt);
    }
};

VALTO_INSCRIRE_TESTS(TestConversionsAPI)
#include "TestConversionsAPI.moc"
