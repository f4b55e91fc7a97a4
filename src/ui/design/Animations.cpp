#include "Animations.h"

namespace {
bool animationsActives = true;
}

namespace Animations {

bool actives()
{
    return animationsActives;
}

void setActives(bool actives)
{
    animationsActives = actives;
}

int duree(int millisecondes)
{
    return animationsActives ? millisecondes : 0;
}

} // namespace Animations
