#pragma once

#include <QString>

// Facts about the running account and bundle that only the operating system knows.
QString nomCompletUtilisateur();
QString cheminBundleCourant();
