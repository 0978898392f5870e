#pragma once

// The host's function table: functions of the host's own components, by number.
class CZebDllFunctionEngineer {
public:
    // The number of the calendar generator's factory (a ZebCalendarGeneratorFactory).
    static constexpr int kCalendarGenerator = 40248;
    // A plain function pointer; cast to the function's own type before calling it.
    using Function = void (*)();

    // The singleton; null when the host has none.
    static CZebDllFunctionEngineer* getInstance();
    // The function with that number; null for an unknown number.
    Function GetFunctionAddr(int number);
};
