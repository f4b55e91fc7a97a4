#pragma once

// One switch for every animation of the interface; tests turn it off so each change lands at once.
namespace Animations {

bool actives();
void setActives(bool actives);

// `millisecondes`, or 0 when animations are off (a zero-length animation ends inside start()).
int duree(int millisecondes);

} // namespace Animations
