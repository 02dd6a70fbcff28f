// Picture tools: the timer that beeps and draws random circles. (The
// clipboard copy and the timer's start are the view's own.)
#include "app/tutor.h"

namespace qa {

void Tutor::onTimerTick()
{
    platform_.view.beep();
    const double r = platform_.random.next();
    platform_.view.drawCircle(View::Picture1, 500, 500, r * 500);
}

} // namespace qa
