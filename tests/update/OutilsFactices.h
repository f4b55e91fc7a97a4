#pragma once

#include "EnvironnementTest.h"

#include <QStringList>

// Stand-ins for the update tools, written as bash scripts into a test environment. Every run appends
// "name arguments…" to a journal; hdiutil attach prints attach.out and exits with attach.code,
// ditto and cp copy for real then exit with their .code file, squashfuse fills the mount point with
// the folder whose path the image file holds, fusermount empties it again.
class OutilsFactices final {
public:
    explicit OutilsFactices(EnvironnementTest& env);

    OutilsMiseAJour mac() const;
    OutilsMiseAJour squashfs(const QString& programme = QStringLiteral("valto-transfer")) const;

    // What attach prints, and its exit status.
    void sortieAttach(const QByteArray& sortie, int code = 0);
    void codeCopie(int code);
    QStringList journal() const;
    QString chemin(const QString& nom) const { return m_dossier + u'/' + nom; }

    // An hdiutil -plist output whose entities carry these mount points (an empty one: no mount point).
    static QByteArray plist(const QStringList& pointsMontage);
    // Writes an executable bash script.
    static void ecrireScript(const QString& chemin, const QString& corps);

private:
    QString m_dossier;
};
