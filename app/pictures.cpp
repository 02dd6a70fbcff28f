// Picture tools: the clipboard copy between the picture boxes and the timer
// that beeps and draws random circles.
#include "app/tutor.h"

namespace qa {

void Tutor::onCopyPicture()
{
    p_.view.copyPicture();
}

void Tutor::onPendExp()
{
    p_.view.enableTimer();
}

void Tutor::onTimerTick()
{
    p_.view.beep();
    const double r = p_.random.next();
    p_.view.drawCircle(View::Picture1, 500, 500, r * 500);
}

} // namespace qa
