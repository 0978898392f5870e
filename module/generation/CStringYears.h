#pragma once
#include <string>

// One calendar month as a value: year, month and the canonical text "%04d-%02d" (2008-05).
// Nothing is normalised or rejected; users test isValid().
class CStringYears {
public:
    // Empty text; year and month 0 (no user reads them before an assignment).
    CStringYears();
    // The month of year and month, text formatted from them.
    CStringYears(int year, int month);
    // Parses "YYYY-M[M]": year from the first four characters, month from the characters after
    // the first "-" (the whole text when there is none), then the text is reformatted.
    explicit CStringYears(std::wstring text);
    CStringYears(const CStringYears& other);
    virtual ~CStringYears();

    // Copies year, month and text unless the texts are already equal (then nothing changes).
    CStringYears& operator=(const CStringYears& other);

    // Advances by one month; returns this value.
    CStringYears& operator++();
    // Advances by one month; returns the value as it was.
    CStringYears operator++(int);
    // A new value n months later (n >= 0).
    CStringYears operator+(int n) const;
    // A new value n months earlier (n >= 0).
    CStringYears operator-(int n) const;

    // Year first, then month; the text plays no part.
    bool isEarlierThan(const CStringYears& other) const;
    bool isNotLaterThan(const CStringYears& other) const;
    bool isLaterThan(const CStringYears& other) const;
    // Equality of two months: their texts compared exactly.
    bool sameText(const CStringYears& other) const { return text == other.text; }

    // Year in 1..9999 and month in 1..12.
    bool isValid() const;

    // The local year and month of now (the platform clock, which a run may fix); both -1 (and
    // false) when the clock cannot be converted.
    static bool currentMonth(int& year, int& month);

    int year;
    int month;
    std::wstring text;

private:
    void format();
};
