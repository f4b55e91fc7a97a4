// Copies the given locations with the NAS copier, for run.sh to time against cp.
#include "nas/NASCopier.h"

#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Peak resident memory of this process so far, in KiB (Linux only).
qint64 picMemoireKio()
{
    QFile statut(u"/proc/self/status"_s);
    if (!statut.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& ligne : statut.readAll().split('\n')) {
        if (ligne.startsWith("VmHWM:")) {
            return ligne.mid(6).trimmed().split(' ').constFirst().toLongLong();
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_copie <copies folder> <token> <source>...\n");
        return 2;
    }
    QStringList sources;
    for (int i = 3; i < argc; ++i) {
        sources.append(QFile::decodeName(argv[i]));
    }
    qint64 octets = 0;
    qint64 appels = 0;
    const qint64 picAvant = picMemoireKio();
    QElapsedTimer chrono;
    chrono.start();
    const auto resultat = NASCopier::copier(sources, QFile::decodeName(argv[2]), QFile::decodeName(argv[1]),
                                            [&](qint64 compte) {
                                                octets = compte;
                                                ++appels;
                                            });
    const qint64 ms = chrono.elapsed();
    if (!resultat) {
        std::fprintf(stderr, "%s\n", qPrintable(description(resultat.error())));
        return 1;
    }
    std::printf("octets=%lld progressions=%lld ms=%lld croissance_pic_rss_kio=%lld\n", octets, appels, ms,
                picMemoireKio() - picAvant);
    return 0;
}
