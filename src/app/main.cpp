#include "Demarrage.h"
#include "FenetrePrincipale.h"
#include "InstanceUnique.h"
#include "ValtoTransferApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    Demarrage::preparer(application);
    const Plateforme plateforme = Plateforme::production();
    InstanceUnique instance(plateforme.dossierDonnees);
    if (!instance.demarrer()) {
        return 0;
    }
    ValtoTransferApp app(plateforme, Demarrage::dossierRessources());
    QObject::connect(&instance, &InstanceUnique::activationDemandee, &app, &ValtoTransferApp::premierPlan);
    app.fenetre().show();
    return QApplication::exec();
}
