#include "Captures.h"
#include "ChampLien.h"
#include "ErreurView.h"
#include "ProgressionView.h"
#include "ResultatView.h"
#include "design/Animations.h"
#include "design/ControleValto.h"
#include "design/DSBar.h"
#include "design/IndeterminateFill.h"
#include "support/ExecuterTests.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int largeurEtape = 428;

Transfert exemple(bool protege = false)
{
    Transfert t;
    t.token = u"k3v9x0b2qa"_s;
    t.titre = u"Rendus"_s;
    t.url = u"https://transferts.valto.ch/t/k3v9x0b2qa"_s;
    t.creeLe = QDateTime(QDate(2026, 12, 4), QTime(12, 0), Qt::UTC);
    if (protege) {
        t.protege = true;
        t.motDePasse = u"pâquerette-42"_s;
        t.expireLe = QDateTime(QDate(2026, 12, 11), QTime(12, 0), Qt::UTC);
    }
    return t;
}

void afficher(QWidget& vue)
{
    vue.resize(largeurEtape, vue.sizeHint().height());
    vue.show();
    QVERIFY(QTest::qWaitForWindowExposed(&vue));
}

} // namespace

class TestEtapes final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Animations::setActives(false); }

    // Each press of a copy button copies, even within the wait; its title comes back afterwards.
    void resultat_data()
    {
        QTest::addColumn<Transfert>("transfert");
        QTest::addColumn<QString>("bouton");
        QTest::addColumn<QString>("copie");
        QTest::newRow("permanent") << exemple() << u"recopierLien"_s << exemple().url;
        QTest::newRow("protégé") << exemple(true) << u"copierMotDePasse"_s << *exemple(true).motDePasse;
    }
    void resultat()
    {
        QFETCH(Transfert, transfert);
        QFETCH(QString, bouton);
        ResultatView vue(transfert, u"Nouveau transfert"_s);
        afficher(vue);
        VERIFIER_CAPTURES(vue, u"resultat-"_s + QString::fromUtf8(QTest::currentDataTag()));
        auto* controle = vue.findChild<ControleValto*>(bouton);
        const QString titre = controle->accessibleName();
        for (int fois = 0; fois < 2; ++fois) {
            QGuiApplication::clipboard()->setText(u"autre chose"_s);
            controle->declencher();
            QTEST(QGuiApplication::clipboard()->text(), "copie");
            QCOMPARE(controle->accessibleName(), u"Copié ✓"_s);
        }
        QTRY_COMPARE_WITH_TIMEOUT(controle->accessibleName(), titre, 3000);
    }

    void lienLong()
    {
        Transfert t = exemple();
        t.url = u"https://transferts.valto.ch/t/"_s + QString(120, u'x') + u"/fin"_s;
        ResultatView vue(t, u"Nouveau transfert"_s);
        afficher(vue);
        auto* lien = vue.findChild<ChampLien*>(u"lien"_s);
        QVERIFY(lien->text().contains(u'…') && lien->text().endsWith(u"/fin"_s));
        // Clicking into it gives the whole link to select.
        QTest::mouseClick(lien, Qt::LeftButton);
        QCOMPARE(lien->text(), t.url);
    }

    void erreur()
    {
        ErreurView vue(
            u"Impossible de copier vers le NAS : le dossier « /Volumes/DATA/Valto Transferts » n’existe "
            u"pas. Vérifie que le partage DATA est monté, puis réessaie."_s);
        afficher(vue);
        VERIFIER_CAPTURES(vue, u"erreur"_s);
    }

    void progression()
    {
        for (const bool animee : {false, true}) {
            Animations::setActives(animee);
            ProgressionView enregistrement(u"Création du lien…"_s, u"Auprès de transferts.valto.ch"_s,
                                           std::nullopt);
            afficher(enregistrement);
            QCOMPARE(enregistrement.findChild<DSBar*>(u"barre"_s)->fill()->enMouvement(), animee);
            if (!animee) {
                VERIFIER_CAPTURES(enregistrement, u"progression-enregistrement"_s);
            }
        }
    }
};

VALTO_INSCRIRE_TESTS(TestEtapes)
#include "TestEtapes.moc"
