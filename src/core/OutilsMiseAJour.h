#pragma once

#include <QString>

// The command-line tools a self-update runs, and which platform's way of using them applies.
struct OutilsMiseAJour final {
    // macOS: a disk image attached by hdiutil, copied with ditto, quarantine cleared, reopened with open.
    // Linux: a SquashFS image attached by squashfuse, copied with cp -a, the bundle's program relaunched.
    enum class Famille { macOS, linuxSquashFS };

    Famille famille = Famille::macOS;
    QString monteur = QStringLiteral("/usr/bin/hdiutil");
    QString demonteur = QStringLiteral("/usr/bin/hdiutil");
    QString copieur = QStringLiteral("/usr/bin/ditto");
    // Empty: no quarantine mark to clear.
    QString quarantaine = QStringLiteral("/usr/bin/xattr");
    // macOS: the tool that opens the new bundle. Linux: unused.
    QString ouvreur = QStringLiteral("/usr/bin/open");
    // Linux: the program inside the bundle that starts the application again.
    QString programme;
    QString bash = QStringLiteral("/bin/bash");

    static OutilsMiseAJour macOS() { return {}; }
    static OutilsMiseAJour linuxSquashFS(const QString& programme)
    {
        return {Famille::linuxSquashFS,
                QStringLiteral("/usr/bin/squashfuse"),
                QStringLiteral("/usr/bin/fusermount"),
                QStringLiteral("/bin/cp"),
                QString(),
                QString(),
                programme,
                QStringLiteral("/bin/bash")};
    }

    // File name of the downloaded image in the staging directory.
    QString nomImage() const
    {
        return famille == Famille::macOS ? QStringLiteral("update.dmg") : QStringLiteral("update.squashfs");
    }
};
