// Downloads a large generated image from the loopback server through the update checker's download
// and reports how much the process's peak resident memory grew meanwhile.
#include "support/ServeurLocal.h"
#include "update/UpdateChecker.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

double picMemoireMio()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

Resultat<QString, UpdateInstaller::Erreur> telecharger(const Plateforme& plateforme, const QString& url,
                                                       qint64* rapports)
{
    return QCoro::waitFor(UpdateChecker::telechargerEtPreparer(
        plateforme, {u"9.9"_s, url, std::nullopt}, [rapports](std::optional<double>) { ++*rapports; }));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const qint64 taille = argc > 1 ? QByteArray(argv[1]).toLongLong() : 300'000'000;
    QTemporaryDir dossier;
    ServeurLocal serveur;
    serveur.repondre("GET", "/petite.dmg", ReponseScriptee::flux(1'000'000));
    serveur.repondre("GET", "/grande.dmg", ReponseScriptee::flux(taille));
    Plateforme plateforme;
    plateforme.dossierTemporaire = dossier.path();
    plateforme.identifiantBundle = u"ch.valto.bench"_s;
    // Staging is not measured: the mount fails at once after the download.
    plateforme.outilsMiseAJour.monteur = u"/bin/false"_s;

    qint64 rapports = 0;
    telecharger(plateforme, serveur.origine() + u"/petite.dmg"_s, &rapports);
    const double avant = picMemoireMio();
    QElapsedTimer chrono;
    chrono.start();
    rapports = 0;
    telecharger(plateforme, serveur.origine() + u"/grande.dmg"_s, &rapports);
    const double secondes = static_cast<double>(chrono.elapsed()) / 1000.0;
    const double apres = picMemoireMio();
    const qint64 ecrits =
        QFileInfo(dossier.path() + u"/ch.valto.bench.update-9.9/"_s + plateforme.outilsMiseAJour.nomImage())
            .size();
    std::printf("image : %lld octets écrits en %.1f s (%lld rapports de progression)\n",
                static_cast<long long>(ecrits), secondes, static_cast<long long>(rapports));
    std::printf("pic mémoire : %.1f Mio avant, %.1f Mio après, croissance %.1f Mio\n", avant, apres,
                apres - avant);
    return ecrits == taille ? 0 : 1;
}
