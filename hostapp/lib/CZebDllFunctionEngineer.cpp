#include "host/CZebDllFunctionEngineer.h"

#include "HostCalendarGenerator.h"

CZebDllFunctionEngineer* CZebDllFunctionEngineer::getInstance()
{
    static CZebDllFunctionEngineer instance;
    return &instance;
}

CZebDllFunctionEngineer::Function CZebDllFunctionEngineer::GetFunctionAddr(int number)
{
    if (number == kCalendarGenerator) {
        ZebCalendarGeneratorFactory factory = &makeHostCalendarGenerator;
        return reinterpret_cast<Function>(factory);
    }
    return nullptr;
}
