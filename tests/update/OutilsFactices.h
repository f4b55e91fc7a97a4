#pragma once

#include "support/EnvironnementTest.h"

#include <QStringList>

// Stand-in macOS update tools (bash scripts) that note every run as "name arguments…" in a journal. hdiutil
// attach prints attach.out and exits with attach.code; ditto copies for real, then exits with copie.code.
class OutilsFactices final {
public:
    explicit OutilsFactices(EnvironnementTest& env);

    OutilsMiseAJour mac() const;
    // squashfuse, fusermount and cp: the mount copies the folder Volumes/Valto Transfer, attach.code applies.
    OutilsMiseAJour linux() const;
    // What attach prints and its exit status; the copy's exit status.
    void regler(const QByteArray& sortieAttach, int codeAttach = 0, int codeCopie = 0);
    QStringList journal() const;

    // An hdiutil -plist output whose entities carry these mount points (an empty one: no mount point).
    static QByteArray plist(const QStringList& pointsMontage);
    static void ecrireScript(const QString& chemin, const QString& corps);

private:
    QString chemin(const QString& nom) const { return m_env.chemin(QStringLiteral("outils/") + nom); }

    EnvironnementTest& m_env;
};
