#include "host/CDOMEngineer.h"

#include "host/DOM.h"

CDOMEngineer* CDOMEngineer::getInstance()
{
    static CDOMEngineer engine;
    return &engine;
}

DOM* CDOMEngineer::getDOM()
{
    static DOM dom;
    return &dom;
}
