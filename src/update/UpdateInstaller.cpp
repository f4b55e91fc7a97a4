#include "update/UpdateInstaller.h"

#include "core/Plateforme.h"
#include "update/ListePropriete.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <algorithm>
#include <filesystem>

using namespace Qt::StringLiterals;

namespace UpdateInstaller {

namespace {

const QString lignesEntete = u"#!/bin/bash\n"
                             u"# Valto Transfer — relance post-mise à jour (généré par UpdateInstaller)\n"_s;

// The text between double quotes that bash reads back as `texte`.
QString entreGuillemets(const QString& texte)
{
    QString echappe;
    echappe.reserve(texte.size() + 2);
    echappe += u'"';
    for (const QChar c : texte) {
        if (c == u'"' || c == u'$' || c == u'`' || c == u'\\') {
            echappe += u'\\';
        }
        echappe += c;
    }
    echappe += u'"';
    return echappe;
}

// Tool paths are written bare, as the platform's fixed paths are; anything unusual is quoted.
QString motCommande(const QString& chemin)
{
    const bool sur = std::all_of(chemin.begin(), chemin.end(), [](QChar c) {
        return c.isLetterOrNumber() || c == u'/' || c == u'.' || c == u'_' || c == u'-';
    });
    return sur && !chemin.isEmpty() ? chemin : entreGuillemets(chemin);
}

Resultat<QString, Erreur> monterAvecHdiutil(const OutilsMiseAJour& outils, const QString& image)
{
    const Resultat<QByteArray, Erreur> sortie = executer(
        outils.monteur, {u"attach"_s, image, u"-nobrowse"_s, u"-noverify"_s, u"-readonly"_s, u"-plist"_s});
    if (!sortie) {
        return std::unexpected(sortie.error());
    }
    const std::optional<QString> point = premierPointMontage(*sortie);
    if (!point) {
        return std::unexpected(Echec{montageImpossible});
    }
    return *point;
}

// squashfuse prints nothing: the mount point is ours to choose, beside the image.
Resultat<QString, Erreur> monterAvecSquashfuse(const OutilsMiseAJour& outils, const QString& image)
{
    const QString point = image + u".montage"_s;
    if (!QDir().mkpath(point)) {
        return std::unexpected(Echec{montageImpossible});
    }
    const Resultat<QByteArray, Erreur> sortie = executer(outils.monteur, {u"-o"_s, u"ro"_s, image, point});
    if (!sortie) {
        QDir().rmdir(point);
        return std::unexpected(sortie.error());
    }
    return point;
}

Resultat<QStringList, Erreur> listerNoms(const QString& dossier)
{
    std::error_code erreur;
    std::filesystem::directory_iterator entree(QFile::encodeName(dossier).toStdString(), erreur);
    QStringList noms;
    for (; !erreur && entree != std::filesystem::directory_iterator(); entree.increment(erreur)) {
        noms.append(QFile::decodeName(entree->path().filename().c_str()));
    }
    if (erreur) {
        return std::unexpected(ErreurSysteme{QString::fromLocal8Bit(erreur.message())});
    }
    // The raw directory order varies between file systems; name order makes "the first" stable.
    noms.sort();
    return noms;
}

QString ligneCopie(const OutilsMiseAJour& outils, const QString& stagee, const QString& bundle)
{
    const QString options = outils.famille == OutilsMiseAJour::Famille::macOS ? QString() : u" -a"_s;
    return motCommande(outils.copieur) + options + u' ' + entreGuillemets(stagee) + u' ' +
           entreGuillemets(bundle);
}

QString lignesRelance(const OutilsMiseAJour& outils, const QString& bundle)
{
    if (outils.famille == OutilsMiseAJour::Famille::linuxSquashFS) {
        return entreGuillemets(bundle + u'/' + outils.programme) + u" >/dev/null 2>&1 &\n"_s;
    }
    QString lignes;
    if (!outils.quarantaine.isEmpty()) {
        lignes += motCommande(outils.quarantaine) + u" -dr com.apple.quarantine "_s +
                  entreGuillemets(bundle) + u" 2>/dev/null\n"_s;
    }
    return lignes + motCommande(outils.ouvreur) + u' ' + entreGuillemets(bundle) + u'\n';
}

bool dossierInscriptible(const QString& chemin)
{
    const QFileInfo dossier(chemin);
    return dossier.isDir() && dossier.isWritable();
}

} // namespace

Resultat<QByteArray, Erreur> executer(const QString& programme, const QStringList& arguments)
{
    QProcess processus;
    processus.setProgram(programme);
    processus.setArguments(arguments);
    // Discarded by the system, so a tool that talks a lot on stderr never fills a pipe.
    processus.setStandardErrorFile(QProcess::nullDevice());
    processus.setStandardInputFile(QProcess::nullDevice());
    processus.start();
    if (!processus.waitForStarted(-1)) {
        return std::unexpected(ErreurSysteme{processus.errorString()});
    }
    processus.waitForFinished(-1);
    const QByteArray sortie = processus.readAllStandardOutput();
    const int code = processus.exitCode();
    if (processus.exitStatus() == QProcess::NormalExit && code == 0) {
        return sortie;
    }
    return std::unexpected(
        Echec{QFileInfo(programme).fileName() + u" a échoué (code "_s + QString::number(code) + u")."_s});
}

Resultat<QString, Erreur> monter(const OutilsMiseAJour& outils, const QString& image)
{
    return outils.famille == OutilsMiseAJour::Famille::macOS ? monterAvecHdiutil(outils, image)
                                                             : monterAvecSquashfuse(outils, image);
}

void demonter(const OutilsMiseAJour& outils, const QString& pointMontage)
{
    if (outils.famille == OutilsMiseAJour::Famille::macOS) {
        (void)executer(outils.demonteur, {u"detach"_s, pointMontage, u"-quiet"_s});
        return;
    }
    (void)executer(outils.demonteur, {u"-u"_s, pointMontage});
    QDir().rmdir(pointMontage);
}

Resultat<QString, Erreur> preparer(const OutilsMiseAJour& outils, const QString& image,
                                   const QString& dossierStaging)
{
    const Resultat<QString, Erreur> point = monter(outils, image);
    if (!point) {
        return point;
    }
    const auto echouer = [&](const Erreur& erreur) -> Resultat<QString, Erreur> {
        demonter(outils, *point);
        return std::unexpected(erreur);
    };
    const Resultat<QStringList, Erreur> noms = listerNoms(*point);
    if (!noms) {
        return echouer(noms.error());
    }
    const auto app =
        std::find_if(noms->begin(), noms->end(), [](const QString& nom) { return nom.endsWith(u".app"_s); });
    if (app == noms->end()) {
        return echouer(Echec{aucuneApp});
    }
    const QString copie = dossierStaging + u'/' + *app;
    QStringList arguments{*point + u'/' + *app, copie};
    if (outils.famille == OutilsMiseAJour::Famille::linuxSquashFS) {
        arguments.prepend(u"-a"_s);
    }
    const Resultat<QByteArray, Erreur> copiee = executer(outils.copieur, arguments);
    if (!copiee) {
        return echouer(copiee.error());
    }
    demonter(outils, *point);
    return copie;
}

QString scriptRelance(const OutilsMiseAJour& outils, qint64 pid, const QString& bundle, const QString& stagee,
                      const QString& dossierStaging)
{
    QString script = lignesEntete;
    script += u"while /bin/kill -0 "_s + QString::number(pid) + u" 2>/dev/null; do /bin/sleep 0.2; done\n"_s;
    script += u"/bin/rm -rf "_s + entreGuillemets(bundle) + u'\n';
    script += ligneCopie(outils, stagee, bundle) + u'\n';
    script += lignesRelance(outils, bundle);
    script += u"/bin/rm -rf "_s + entreGuillemets(dossierStaging);
    return script;
}

Resultat<void, Erreur> installerEtRelancer(const Plateforme& plateforme, const QString& stagee)
{
    const QString bundle = plateforme.cheminBundle;
    if (bundle.contains(u"/AppTranslocation/"_s)) {
        return std::unexpected(Echec{emplacementTemporaire});
    }
    if (!dossierInscriptible(QFileInfo(bundle).path())) {
        return std::unexpected(Echec{emplacementNonInscriptible});
    }
    const QString dossierStaging = QFileInfo(stagee).path();
    const QString cheminScript = dossierStaging + u"/relance.sh"_s;
    QSaveFile fichier(cheminScript);
    const QByteArray texte = scriptRelance(plateforme.outilsMiseAJour, QCoreApplication::applicationPid(),
                                           bundle, stagee, dossierStaging)
                                 .toUtf8();
    if (!fichier.open(QIODevice::WriteOnly) || fichier.write(texte) != texte.size() || !fichier.commit()) {
        return std::unexpected(ErreurSysteme{fichier.errorString()});
    }
    QProcess relance;
    relance.setProgram(plateforme.outilsMiseAJour.bash);
    relance.setArguments({cheminScript});
    relance.setStandardInputFile(QProcess::nullDevice());
    relance.setStandardOutputFile(QProcess::nullDevice());
    relance.setStandardErrorFile(QProcess::nullDevice());
    if (!relance.startDetached()) {
        return std::unexpected(ErreurSysteme{relance.errorString()});
    }
    if (plateforme.terminer) {
        plateforme.terminer();
    }
    return {};
}

} // namespace UpdateInstaller
