#include "update/OutilsFactices.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

OutilsFactices::OutilsFactices(EnvironnementTest& env)
    : m_env(env)
{
    regler(plist({})); // also makes the folder
    const auto noter = u"printf '%s\\n' \"$(basename \"$0\") $*\" >> '"_s + chemin(u"journal"_s) + u"'\n"_s;
    const auto code = [this](const QString& fichier) {
        return u"exit \"$(cat '"_s + chemin(fichier) + u"')\"\n"_s;
    };
    // hdiutil asks on its input before mounting an image with a licence: it must find nothing to read.
    ecrireScript(chemin(u"hdiutil"_s),
                 noter + u"if [ \"$1\" = attach ]; then "_s +
                     u"[ \"$(readlink /proc/self/fd/0)\" = /dev/null ] || exit 7; cat '"_s +
                     chemin(u"attach.out"_s) + u"'; "_s + code(u"attach.code"_s) + u"fi\n"_s);
    ecrireScript(chemin(u"ditto"_s), noter + u"cp -a \"$1\" \"$2\" || exit 9\n"_s + code(u"copie.code"_s));
    // squashfuse "mounts" by copying the folder Volumes/Valto Transfer to the mount point it is given.
    ecrireScript(chemin(u"squashfuse"_s), noter + u"code=$(cat '"_s + chemin(u"attach.code"_s) +
                                              u"'); [ \"$code\" = 0 ] || exit \"$code\"\ncp -a '"_s +
                                              m_env.chemin(u"Volumes/Valto Transfer"_s) + u"/.' \"$4\"\n"_s);
    ecrireScript(chemin(u"fusermount"_s), noter + u"find \"$2\" -mindepth 1 -delete\n"_s);
    ecrireScript(chemin(u"cp"_s), noter + u"cp \"$@\" || exit 9\n"_s + code(u"copie.code"_s));
}

OutilsMiseAJour OutilsFactices::mac() const
{
    OutilsMiseAJour outils = OutilsMiseAJour::macOS();
    outils.monteur = outils.demonteur = chemin(u"hdiutil"_s);
    outils.copieur = chemin(u"ditto"_s);
    return outils;
}

OutilsMiseAJour OutilsFactices::linux() const
{
    OutilsMiseAJour outils = OutilsMiseAJour::linuxSquashFS(u"valto-transfer"_s);
    outils.monteur = chemin(u"squashfuse"_s);
    outils.demonteur = chemin(u"fusermount"_s);
    outils.copieur = chemin(u"cp"_s);
    return outils;
}

void OutilsFactices::regler(const QByteArray& sortieAttach, int codeAttach, int codeCopie)
{
    m_env.creerFichier(u"outils/attach.out"_s, sortieAttach);
    m_env.creerFichier(u"outils/attach.code"_s, QByteArray::number(codeAttach));
    m_env.creerFichier(u"outils/copie.code"_s, QByteArray::number(codeCopie));
}

QStringList OutilsFactices::journal() const
{
    return QString::fromUtf8(lireFichier(chemin(u"journal"_s))).split(u'\n', Qt::SkipEmptyParts);
}

QByteArray OutilsFactices::plist(const QStringList& pointsMontage)
{
    QByteArray texte = "<?xml version=\"1.0\"?>\n<plist><dict><key>system-entities</key><array>\n";
    for (const QString& point : pointsMontage) {
        texte += "<dict><key>potentially-mountable</key><true/>";
        if (!point.isEmpty()) {
            texte += "<key>mount-point</key><string>" + point.toHtmlEscaped().toUtf8() + "</string>";
        }
        texte += "</dict>\n";
    }
    return texte + "</array></dict></plist>\n";
}

void OutilsFactices::ecrireScript(const QString& chemin, const QString& corps)
{
    QFile fichier(chemin);
    QVERIFY(fichier.open(QIODevice::WriteOnly) && fichier.write((u"#!/bin/bash\n"_s + corps).toUtf8()) > 0);
    QVERIFY(fichier.setPermissions(fichier.permissions() | QFile::ExeOwner));
}
