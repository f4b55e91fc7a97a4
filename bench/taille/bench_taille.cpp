// Times tailleTotale on one folder: best of N runs, in milliseconds, then the byte total.
#include "flow/TailleTotale.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_taille DOSSIER [REPETITIONS]\n");
        return 2;
    }
    const QStringList chemins = {QString::fromLocal8Bit(argv[1])};
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;
    qint64 meilleur = -1;
    qint64 total = 0;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer chrono;
        chrono.start();
        total = tailleTotale(chemins);
        const qint64 ns = chrono.nsecsElapsed();
        meilleur = meilleur < 0 ? ns : std::min(meilleur, ns);
    }
    std::printf("%.2f %lld\n", static_cast<double>(meilleur) / 1e6, static_cast<long long>(total));
    return 0;
}
