#include "core/Affichage.h"
#include "flow/TransferFlow.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestIntake final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rienDAcceptable()
    {
        EnvironnementTest env;
        TransferFlow flow(Mode::transfert, env.preferences(), env.plateforme());
        QSignalSpy urls(&flow, &TransferFlow::urlsChanged);
        QSignalSpy etape(&flow, &TransferFlow::etapeChanged);
        flow.ajouter({env.chemin(u"disparu.jpg"_s)});
        QCOMPARE(flow.etape(), Etape::attente());
        QCOMPARE(urls.count(), 0);
        QCOMPARE(etape.count(), 0);
    }

    // What compare mode keeps of one drop; ".jpg" alone is a hidden file without extension.
    void filtreComparaison_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<bool>("accepte");
        for (const QString& nom : {u"a.jpg"_s, u"a.jpeg"_s, u"a.png"_s, u"a.webp"_s, u"a.gif"_s, u"a.svg"_s,
                                   u"a.pdf"_s, u"IMAGE.JPG"_s, u"scan.final.Pdf"_s}) {
            QTest::newRow(qPrintable(nom)) << nom << true;
        }
        for (const QString& nom :
             {u"notes.txt"_s, u"photo.heic"_s, u"sans-extension"_s, u".jpg"_s, u"Dossier.png/"_s}) {
            QTest::newRow(qPrintable(nom)) << nom << false;
        }
    }
    void filtreComparaison()
    {
        QFETCH(QString, nom);
        QFETCH(bool, accepte);
        EnvironnementTest env;
        const QString chemin =
            nom.endsWith(u'/') ? env.creerDossier(nom.chopped(1)) : env.creerFichier(nom, "x");
        TransferFlow compare(Mode::compare, env.preferences(), env.plateforme());
        compare.ajouter({chemin});
        QCOMPARE(compare.urls(), accepte ? QStringList{chemin} : QStringList());
        TransferFlow transfert(Mode::transfert, env.preferences(), env.plateforme());
        transfert.ajouter({chemin});
        QCOMPARE(transfert.urls(), QStringList{chemin});
    }

    void comparaisonGardeLesDeuxPremiers()
    {
        EnvironnementTest env;
        const QString a = env.creerFichier(u"a.jpg"_s, "a");
        const QString b = env.creerFichier(u"b.png"_s, "bb");
        const QString c = env.creerFichier(u"c.pdf"_s, "ccc");
        TransferFlow flow(Mode::compare, env.preferences(), env.plateforme());
        flow.ajouter({a, b, c});
        QCOMPARE(flow.urls(), (QStringList{a, b}));
        QCOMPARE(flow.octetsTotal(), 3);
        flow.ajouter({c});
        QCOMPARE(flow.urls(), (QStringList{a, b}));
        QCOMPARE(flow.titre(), u"a vs b"_s);
    }

    void doublons()
    {
        EnvironnementTest env;
        const QString a = env.creerFichier(u"a.txt"_s, "12345");
        TransferFlow flow(Mode::transfert, env.preferences(), env.plateforme());
        flow.ajouter({a});
        flow.ajouter({a});
        QCOMPARE(flow.urls(), QStringList{a});
        flow.reinitialiser();
        flow.ajouter({a, a});
        QCOMPARE(flow.urls(), (QStringList{a, a}));
        QCOMPARE(flow.octetsTotal(), 10);
    }

    void titres_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QStringList>("noms");
        QTest::addColumn<QString>("titre");
        const QString duJour = u"Transfert du "_s + formaterDate(QDateTime::currentDateTime());
        QTest::newRow("un fichier à deux points")
            << Mode::transfert << QStringList{u"rapport.final.pdf"_s} << u"rapport.final"_s;
        QTest::newRow("un dossier") << Mode::transfert << QStringList{u"Projet/"_s} << u"Projet"_s;
        QTest::newRow("sans extension") << Mode::transfert << QStringList{u"LISEZMOI"_s} << u"LISEZMOI"_s;
        QTest::newRow("fichier caché") << Mode::transfert << QStringList{u".env"_s} << u".env"_s;
        QTest::newRow("point final") << Mode::transfert << QStringList{u"brouillon."_s} << u"brouillon"_s;
        QTest::newRow("plusieurs fichiers")
            << Mode::transfert << QStringList{u"a.jpg"_s, u"b.jpg"_s} << duJour;
        QTest::newRow("comparaison") << Mode::compare << QStringList{u"avant.jpg"_s, u"apres.png"_s}
                                     << u"avant vs apres"_s;
        QTest::newRow("comparaison même nom")
            << Mode::compare << QStringList{u"photo.jpg"_s, u"sous/photo.png"_s} << u"photo"_s;
        QTest::newRow("comparaison, un seul") << Mode::compare << QStringList{u"avant.jpg"_s} << u"avant"_s;
    }
    void titres()
    {
        QFETCH(Mode, mode);
        QFETCH(QStringList, noms);
        QFETCH(QString, titre);
        EnvironnementTest env;
        QStringList chemins;
        for (const QString& nom : noms) {
            chemins.append(nom.endsWith(u'/') ? env.creerDossier(nom.chopped(1))
                                              : env.creerFichier(nom, "x"));
        }
        TransferFlow flow(mode, env.preferences(), env.plateforme());
        flow.ajouter(chemins);
        QCOMPARE(flow.titre(), titre);
        QCOMPARE(flow.etape(), Etape::options());
    }

    void titreSaisiConserve()
    {
        EnvironnementTest env;
        TransferFlow flow(Mode::transfert, env.preferences(), env.plateforme());
        flow.ajouter({env.creerFichier(u"a.jpg"_s, "x")});
        flow.setTitre(u"  "_s);
        flow.ajouter({env.creerFichier(u"b.jpg"_s, "x")});
        QCOMPARE(flow.titre(), u"  "_s);
    }

    void retirer()
    {
        EnvironnementTest env;
        const QString a = env.creerFichier(u"a.jpg"_s, "aa");
        const QString b = env.creerFichier(u"b.jpg"_s, "bbb");
        TransferFlow flow(Mode::transfert, env.preferences(), env.plateforme());
        flow.ajouter({a, b});
        flow.setTitre(u"Mon titre"_s);
        flow.setMotDePasse(u"secret"_s);
        flow.setExpirationJours(30);

        flow.retirer(a);
        QCOMPARE(flow.urls(), QStringList{b});
        QCOMPARE(flow.octetsTotal(), 3);
        QCOMPARE(flow.titre(), u"Mon titre"_s);
        QCOMPARE(flow.etape(), Etape::options());

        env.preferences().ecrire(Preferences::cleDefaultExpiryDays, 0);
        flow.retirer(b);
        QCOMPARE(flow.etape(), Etape::attente());
        QCOMPARE(flow.titre(), QString());
        QCOMPARE(flow.motDePasse(), QString());
        QCOMPARE(flow.octetsTotal(), 0);
        // The preference is read again, not the previous transfer's choice.
        QCOMPARE(flow.expirationJours(), 0);
    }

    void expirationInitiale()
    {
        EnvironnementTest env;
        QCOMPARE(TransferFlow(Mode::transfert, env.preferences(), env.plateforme()).expirationJours(), 7);
        env.preferences().ecrire(Preferences::cleDefaultExpiryDays, 14);
        QCOMPARE(TransferFlow(Mode::compare, env.preferences(), env.plateforme()).expirationJours(), 14);
    }

    void valeurEgaleSilencieuse()
    {
        EnvironnementTest env;
        TransferFlow flow(Mode::transfert, env.preferences(), env.plateforme());
        QSignalSpy titre(&flow, &TransferFlow::titreChanged);
        QSignalSpy etape(&flow, &TransferFlow::etapeChanged);
        flow.setTitre(u"x"_s);
        flow.setTitre(u"x"_s);
        flow.reinitialiser();
        flow.reinitialiser();
        QCOMPARE(titre.count(), 2);
        QCOMPARE(etape.count(), 0);
    }
};

VALTO_INSCRIRE_TESTS(TestIntake)
#include "TestIntake.moc"
