#include "Demarrage.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

using namespace Qt::StringLiterals;

// The icon lives in a static library: its resource must be registered by name.
static void chargerRessources()
{
    Q_INIT_RESOURCE(application);
}

namespace {

// Standard buttons, file dialogs and network errors in French, like the rest of the window.
void chargerTraductionsQt(QApplication& application)
{
#ifdef Q_OS_MACOS
    const QString dossier = u":/traductions"_s;
#else
    const QString dossier = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#endif
    auto* traducteur = new QTranslator(&application);
    if (traducteur->load(QLocale(QLocale::French), u"qtbase"_s, u"_"_s, dossier)) {
        QApplication::installTranslator(traducteur);
    }
}

} // namespace

namespace Demarrage {

void preparer(QApplication& application)
{
    chargerRessources();
#ifdef Q_OS_MACOS
    // The preference store is the defaults domain named by these two: "ch.valto.transfer", the bundle's.
    const QStringList identifiant = QStringLiteral(VALTO_IDENTIFIANT).split(u'.');
    QApplication::setOrganizationDomain(identifiant.value(1) + u'.' + identifiant.value(0));
    QApplication::setApplicationName(identifiant.mid(2).join(u'.'));
#else
    QApplication::setApplicationName(u"valto-transfer"_s);
#endif
    QApplication::setApplicationDisplayName(u"Valto Transfer"_s);
    QApplication::setApplicationVersion(QStringLiteral(VALTO_VERSION));
    QGuiApplication::setDesktopFileName(u"valto-transfer"_s);
    QApplication::setWindowIcon(QIcon(u":/application/valto-transfer.svg"_s));
    chargerTraductionsQt(application);
}

QString dossierRessources()
{
#ifdef Q_OS_MACOS
    return QCoreApplication::applicationDirPath() + u"/../Resources"_s;
#else
    return QCoreApplication::applicationDirPath() + u"/../share/valto-transfer"_s;
#endif
}

} // namespace Demarrage
