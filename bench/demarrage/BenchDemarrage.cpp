// Start-up of the application and of a bare window of the same size: the wall-clock time (ns since the
// epoch) of the first painted frame, then the resident memory after two idle seconds.
// Usage: bench_demarrage app | nu | reference | preparer <data folder>
// "app" starts exactly as valto-transfer's main() does; "reference" is the bare window with one line of
// text and one HTTPS request; "preparer" writes a history of 100 entries.
#include "Demarrage.h"
#include "FenetrePrincipale.h"
#include "InstanceUnique.h"
#include "ValtoTransferApp.h"
#include "core/HistoryStore.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr int attenteRepos = 2000;

qint64 maintenantNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

qint64 residentKio()
{
    QFile statut(u"/proc/self/status"_s);
    if (!statut.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& ligne : statut.readAll().split('\n')) {
        if (ligne.startsWith("VmRSS:")) {
            return ligne.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

// Prints the time of the window's first paint, then its memory once idle, and quits. `ensuite` runs
// after the first frame, as the application's own start-up work does.
class PremiereImage final : public QObject {
public:
    explicit PremiereImage(QWidget& fenetre, std::function<void()> ensuite = {})
        : m_ensuite(std::move(ensuite))
    {
        fenetre.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        if (evenement->type() == QEvent::Paint) {
            objet->removeEventFilter(this);
            QTimer::singleShot(0, [this] {
                std::printf("premiere_image_ns %lld\n", maintenantNs());
                if (m_ensuite) {
                    m_ensuite();
                }
            });
            QTimer::singleShot(attenteRepos, [] {
                std::printf("rss_kio %lld\n", residentKio());
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    std::function<void()> m_ensuite;
};

int preparer(const QString& dossier)
{
    Plateforme plateforme;
    plateforme.dossierDonnees = dossier;
    HistoryStore historique(plateforme, []() -> QCoro::Task<std::optional<QHash<QString, StatsTransfert>>> {
        co_return std::nullopt;
    });
    for (int i = 0; i < HistoryStore::capacite; ++i) {
        Transfert t;
        t.token = u"bench%1"_s.arg(i, 5, 10, QChar(u'0'));
        t.titre = u"Envoi de test numéro %1"_s.arg(i);
        t.url = u"https://transferts.example.test/t/"_s + t.token;
        t.creeLe = QDateTime::currentDateTimeUtc().addDays(-i);
        t.expireLe = t.creeLe.addDays(30);
        t.nbFichiers = 1 + i % 7;
        t.octets = 1'000'000LL * (i + 1);
        historique.ajouter(t);
    }
    return historique.transferts().size() == HistoryStore::capacite ? 0 : 1;
}

int application(QApplication& qt)
{
    Demarrage::preparer(qt);
    const Plateforme plateforme = Plateforme::production();
    InstanceUnique instance(plateforme.dossierDonnees);
    if (!instance.demarrer()) {
        return 1;
    }
    ValtoTransferApp app(plateforme, Demarrage::dossierRessources());
    PremiereImage mesure(app.fenetre());
    app.fenetre().show();
    return QApplication::exec();
}

int fenetreNue()
{
    QWidget fenetre;
    fenetre.resize(FenetrePrincipale::largeur, FenetrePrincipale::hauteurInitiale);
    PremiereImage mesure(fenetre);
    fenetre.show();
    return QApplication::exec();
}

// The least any window doing the application's start-up duty pays: text to draw, which starts the font
// machinery, and one request over HTTPS to the server, which loads the TLS stack.
int fenetreReference()
{
    QWidget fenetre;
    fenetre.resize(FenetrePrincipale::largeur, FenetrePrincipale::hauteurInitiale);
    (new QLabel(u"Transferts récents"_s, &fenetre))->move(16, 16);
    QNetworkAccessManager reseau;
    PremiereImage mesure(fenetre, [&reseau] {
        reseau.get(QNetworkRequest(QUrl(Plateforme::production().origineServeur + u"/"_s)));
    });
    fenetre.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "preparer" && argc > 2) {
        QCoreApplication qt(argc, argv);
        return preparer(QString::fromLocal8Bit(argv[2]));
    }
    QApplication qt(argc, argv);
    if (mode == "app") {
        return application(qt);
    }
    if (mode == "nu") {
        return fenetreNue();
    }
    if (mode == "reference") {
        return fenetreReference();
    }
    std::fprintf(stderr, "usage: bench_demarrage app | nu | reference | preparer <data folder>\n");
    return 2;
}
