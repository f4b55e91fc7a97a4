#include "support/EnvironnementTest.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

EnvironnementTest::EnvironnementTest()
{
    if (!m_dossier.isValid()) {
        qFatal("dossier temporaire impossible : %s", qPrintable(m_dossier.errorString()));
    }
    const QString racine = m_dossier.path();
    m_plateforme.racineVolumes = racine + u"/Volumes"_s;
    m_plateforme.fichierPreferences = racine + u"/preferences.json"_s;
    m_plateforme.dossierDonnees = racine + u"/donnees"_s;
    m_plateforme.dossierTemporaire = racine + u"/tmp"_s;
    m_plateforme.origineServeur = QStringLiteral("https://transferts.example.test");
    m_plateforme.identifiantBundle = QStringLiteral("ch.valto.transfer.tests");
    m_plateforme.versionCourante = QStringLiteral("1.0");
    m_plateforme.cheminBundle = racine + u"/Applications/Valto Transfer.app"_s;
    m_plateforme.nomCompletUtilisateur = QStringLiteral("Camille Test");
    QDir().mkpath(m_plateforme.racineVolumes);
    QDir().mkpath(m_plateforme.dossierTemporaire);
}

Preferences& EnvironnementTest::preferences()
{
    if (!m_preferences) {
        m_preferences = std::make_unique<Preferences>(m_plateforme);
    }
    return *m_preferences;
}

QString EnvironnementTest::creerFichier(const QString& relatif, const QByteArray& contenu)
{
    const QString absolu = chemin(relatif);
    QDir().mkpath(QFileInfo(absolu).path());
    QFile fichier(absolu);
    if (!fichier.open(QIODevice::WriteOnly) || fichier.write(contenu) != contenu.size()) {
        qFatal("écriture impossible : %s", qPrintable(absolu));
    }
    return absolu;
}

QString EnvironnementTest::creerDossier(const QString& relatif)
{
    QDir().mkpath(chemin(relatif));
    return chemin(relatif);
}

QByteArray lireFichier(const QString& chemin)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

Arbre lireArbre(const QString& racine)
{
    Arbre arbre;
    QDirIterator parcours(racine, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
    while (parcours.hasNext()) {
        const QFileInfo info(parcours.next());
        const QString relatif = QDir(racine).relativeFilePath(info.filePath());
        QFile fichier(info.filePath());
        if (info.isSymLink()) {
            arbre.insert(relatif, "->");
        } else if (info.isDir()) {
            arbre.insert(relatif + u'/', {});
        } else {
            arbre.insert(relatif, fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : "<illisible>");
        }
    }
    return arbre;
}
