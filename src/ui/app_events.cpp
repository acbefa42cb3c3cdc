#include "ui/app_events.h"

AppEvents &AppEvents::instance()
{
    static AppEvents events;
    return events;
}
