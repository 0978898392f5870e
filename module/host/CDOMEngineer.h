#pragma once

class DOM;

// The DOM engine singleton of the host.
class CDOMEngineer {
public:
    // The engine; null when the host has none.
    static CDOMEngineer* getInstance();
    // The engine's DOM object (never null on a live engine).
    DOM* getDOM();
};
