#include "OutilsFactices.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

OutilsFactices::OutilsFactices(EnvironnementTest& env)
    : m_dossier(env.creerDossier(u"outils"_s))
{
    const QString journal = chemin(u"journal"_s);
    const QString noter = u"printf '%s\\n' \"$(basename \"$0\") $*\" >> '"_s + journal + u"'\n"_s;
    ecrireScript(chemin(u"hdiutil"_s), noter + u"if [ \"$1\" = attach ]; then cat '"_s +
                                           chemin(u"attach.out"_s) + u"'; exit \"$(cat '"_s +
                                           chemin(u"attach.code"_s) + u"')\"; fi\n"_s);
    const QString copier = u"exit \"$(cat '"_s + chemin(u"copie.code"_s) + u"')\"\n"_s;
    ecrireScript(chemin(u"ditto"_s), noter + u"cp -a \"$1\" \"$2\" || exit 9\n"_s + copier);
    ecrireScript(chemin(u"cp"_s), noter + u"/bin/cp \"$@\" || exit 9\n"_s + copier);
    ecrireScript(chemin(u"squashfuse"_s), noter + u"cp -a \"$(cat \"$3\")/.\" \"$4\"\n"_s);
    ecrireScript(chemin(u"fusermount"_s), noter + u"find \"$2\" -mindepth 1 -delete\n"_s);
    ecrireScript(chemin(u"xattr"_s), noter);
    ecrireScript(chemin(u"open"_s), noter);
    sortieAttach(plist({}));
    codeCopie(0);
}

OutilsMiseAJour OutilsFactices::mac() const
{
    OutilsMiseAJour outils = OutilsMiseAJour::macOS();
    outils.monteur = chemin(u"hdiutil"_s);
    outils.demonteur = chemin(u"hdiutil"_s);
    outils.copieur = chemin(u"ditto"_s);
    outils.quarantaine = chemin(u"xattr"_s);
    outils.ouvreur = chemin(u"open"_s);
    return outils;
}

OutilsMiseAJour OutilsFactices::squashfs(const QString& programme) const
{
    OutilsMiseAJour outils = OutilsMiseAJour::linuxSquashFS(programme);
    outils.monteur = chemin(u"squashfuse"_s);
    outils.demonteur = chemin(u"fusermount"_s);
    outils.copieur = chemin(u"cp"_s);
    return outils;
}

void OutilsFactices::sortieAttach(const QByteArray& sortie, int code)
{
    QFile fichier(chemin(u"attach.out"_s));
    QVERIFY(fichier.open(QIODevice::WriteOnly) && fichier.write(sortie) == sortie.size());
    QFile statut(chemin(u"attach.code"_s));
    QVERIFY(statut.open(QIODevice::WriteOnly) && statut.write(QByteArray::number(code)) > 0);
}

void OutilsFactices::codeCopie(int code)
{
    QFile statut(chemin(u"copie.code"_s));
    QVERIFY(statut.open(QIODevice::WriteOnly) && statut.write(QByteArray::number(code)) > 0);
}

QStringList OutilsFactices::journal() const
{
    QFile fichier(chemin(u"journal"_s));
    if (!fichier.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(fichier.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QByteArray OutilsFactices::plist(const QStringList& pointsMontage)
{
    QByteArray texte = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>system-entities</key>
	<array>
)";
    for (const QString& point : pointsMontage) {
        texte += "\t\t<dict>\n\t\t\t<key>content-hint</key>\n\t\t\t<string>Apple_HFS</string>\n"
                 "\t\t\t<key>potentially-mountable</key>\n\t\t\t<true/>\n"
                 "\t\t\t<key>unmapped-content-length</key>\n\t\t\t<integer>209715200</integer>\n";
        if (!point.isEmpty()) {
            texte += "\t\t\t<key>mount-point</key>\n\t\t\t<string>" + point.toHtmlEscaped().toUtf8() +
                     "</string>\n";
        }
        texte += "\t\t</dict>\n";
    }
    return texte + "\t</array>\n</dict>\n</plist>\n";
}

void OutilsFactices::ecrireScript(const QString& chemin, const QString& corps)
{
    QFile fichier(chemin);
    QVERIFY(fichier.open(QIODevice::WriteOnly));
    QVERIFY(fichier.write((u"#!/bin/bash\n"_s + corps).toUtf8()) > 0);
    fichier.close();
    QVERIFY(
        fichier.setPermissions(fichier.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
}
