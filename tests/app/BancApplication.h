#pragma once

#include "BancPlateforme.h"
#include "FenetrePrincipale.h"
#include "ValtoTransferApp.h"

// The whole application on the window's test platform.
struct BancApplication : BancPlateforme {
    std::unique_ptr<ValtoTransferApp> m_app;

    // Made at first use, so a test can adjust the platform and the server first.
    ValtoTransferApp& app()
    {
        if (!m_app) {
            m_app =
                std::make_unique<ValtoTransferApp>(env.plateforme(), env.chemin(QStringLiteral("polices")));
        }
        return *m_app;
    }
    FenetrePrincipale& fenetre() { return app().fenetre(); }
    ContentView& contenu() { return fenetre().contenu(); }
    // Shows the window; its start-up task begins after the first frame.
    void montrer()
    {
        fenetre().show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre()));
    }
};
