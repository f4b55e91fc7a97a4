// The history panel at its capacity: time to build it, to apply and repaint a statistics refresh, and to
// repaint while the pointer crosses every row; memory above an empty panel. Qt's own QListWidget with the
// same 100 texts is the reference measured in the same run.
#include "HistoryView.h"
#include "LigneHistorique.h"
#include "core/HistoryStore.h"
#include "design/Animations.h"
#include "support/EnvironnementTest.h"

#include <QApplication>
#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int rondes = 40;

double memoireResidenteMio()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> champs = statm.readAll().split(' ');
    return champs.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double ms(const QElapsedTimer& chrono)
{
    return double(chrono.nsecsElapsed()) / 1e6;
}

struct Mesures {
    QList<double> valeurs;
    double mediane()
    {
        std::sort(valeurs.begin(), valeurs.end());
        return valeurs.at(valeurs.size() / 2);
    }
    double pire() const { return *std::max_element(valeurs.cbegin(), valeurs.cend()); }
};

Transfert entree(int i)
{
    Transfert t;
    t.token = u"t%1"_s.arg(i, 9, 10, QChar(u'0'));
    t.titre = u"Transfert numéro %1 pour le client"_s.arg(i);
    t.url = u"https://transferts.example.test/t/"_s + t.token;
    t.creeLe = QDateTime::currentDateTimeUtc().addDays(-i);
    t.expireLe = i % 3 == 0 ? std::nullopt : std::optional(QDateTime::currentDateTimeUtc().addSecs(i * 7200));
    t.nbFichiers = i % 7;
    t.octets = qint64(i) * 1'234'567;
    t.type = i % 5 == 0 ? u"compare"_s : u"transfert"_s;
    t.protege = i % 4 == 0;
    return t;
}

// Every transfer gets figures; `tour` moves each one to another status so every row changes.
QHash<QString, StatsTransfert> stats(int tour)
{
    QHash<QString, StatsTransfert> figures;
    const QDateTime hier = QDateTime::currentDateTimeUtc().addDays(-1);
    for (int i = 0; i < HistoryStore::capacite; ++i) {
        StatsTransfert s;
        s.nbVues = (i + tour) % 3;
        s.premiereVue = s.nbVues > 0 ? std::optional(hier) : std::nullopt;
        s.nbTelechargements = (i + tour) % 4 == 0 ? 2 : 0;
        s.dernierTelechargement = s.nbTelechargements > 0 ? std::optional(hier) : std::nullopt;
        figures.insert(entree(i).token, s);
    }
    return figures;
}

QCoro::Task<std::optional<QHash<QString, StatsTransfert>>> sourceStats(int* tour)
{
    co_return stats((*tour)++);
}

void montrer(QWidget& vue)
{
    vue.resize(460, 420);
    vue.show();
    if (!QTest::qWaitForWindowExposed(&vue)) {
        qFatal("fenêtre non exposée");
    }
    vue.repaint();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    Animations::setActives(false);
    EnvironnementTest env;
    int tour = 0;
    HistoryStore store(env.plateforme(), [&tour] { return sourceStats(&tour); });

    // Warm-up (fonts, symbols, caches), then the empty panel as the memory baseline.
    {
        HistoryView chauffe(store, env.preferences(), env.plateforme());
        montrer(chauffe);
    }
    auto vide = std::make_unique<HistoryView>(store, env.preferences(), env.plateforme());
    montrer(*vide);
    const double memoireVide = memoireResidenteMio();
    // Gone before the entries come, or it would build rows of its own for them.
    vide.reset();
    for (int i = HistoryStore::capacite - 1; i >= 0; --i) {
        store.ajouter(entree(i));
    }

    QElapsedTimer chrono;
    chrono.start();
    HistoryView vue(store, env.preferences(), env.plateforme());
    montrer(vue);
    const double construction = ms(chrono);
    const double memoirePleine = memoireResidenteMio();

    Mesures rafraichissement;
    for (int i = 0; i < rondes; ++i) {
        chrono.restart();
        QCoro::waitFor(store.rafraichir());
        vue.repaint();
        rafraichissement.valeurs.append(ms(chrono));
    }

    Mesures survol;
    for (int passage = 0; passage < 3; ++passage) {
        for (LigneHistorique* ligne : vue.lignes()) {
            chrono.restart();
            QTest::mouseMove(&vue, ligne->mapTo(&vue, QPoint(40, ligne->height() / 2)));
            vue.repaint();
            survol.valeurs.append(ms(chrono));
        }
    }

    QStringList textes;
    for (int i = 0; i < HistoryStore::capacite; ++i) {
        textes.append(entree(i).titre);
    }
    chrono.restart();
    QListWidget reference;
    reference.addItems(textes);
    montrer(reference);
    const double constructionReference = ms(chrono);
    Mesures repeintReference;
    for (int i = 0; i < rondes; ++i) {
        chrono.restart();
        for (int j = 0; j < reference.count(); ++j) {
            reference.item(j)->setText(textes.at((i + j) % textes.size()));
        }
        reference.repaint();
        repeintReference.valeurs.append(ms(chrono));
    }

    std::printf("Panneau d’historique, %lld entrées (QListWidget de %lld textes pour référence)\n",
                static_cast<long long>(HistoryStore::capacite), static_cast<long long>(textes.size()));
    std::printf("construction et premier rendu : %.1f ms (référence %.1f ms)\n", construction,
                constructionReference);
    std::printf("statistiques appliquées et repeintes : médiane %.2f ms, pire %.2f ms sur %d (référence, 100 "
                "textes changés et repeints : médiane %.2f ms)\n",
                rafraichissement.mediane(), rafraichissement.pire(), rondes, repeintReference.mediane());
    std::printf("survol d’une ligne et rendu : médiane %.2f ms, pire %.2f ms sur %lld passages\n",
                survol.mediane(), survol.pire(), static_cast<long long>(survol.valeurs.size()));
    std::printf("mémoire : %.1f Mio au-dessus du panneau vide\n", memoirePleine - memoireVide);
    return 0;
}
