#pragma once
#include <string>

class DOM;
class Document;
class Element;

// The host's month calendar generator (host function 40248 makes one).
//
// Virtual slots, in order: deleting destructor, reserved (not called by the module), buildCalendar.
class CZebCalendarGenerator {
public:
    virtual ~CZebCalendarGenerator();
    // Not used by the module.
    virtual void reserved();
    // Builds the calendar of a month inside document and returns its element (a table with the
    // id of the category's calendar, a "summary" holding "%04d-%02d", one text node per day,
    // elements named "prev" and "next"). When the document is empty it first gets a minimal page
    // and the calendar goes into its body. Null for an invalid year or month, or a null document.
    virtual Element* buildCalendar(int year, int month, const std::wstring& marker, int category, Document* document,
                                   DOM* dom) = 0;
};

// The host function that makes a new calendar generator (the caller deletes it), or null.
using ZebCalendarGeneratorFactory = CZebCalendarGenerator* (*)();
