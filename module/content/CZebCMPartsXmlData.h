#pragma once
#include <list>
#include <memory>
#include <string>

// Reads one content parts file (the entries of a category or of one diary month) into records,
// in file order. Owns its records; pointers handed out live as long as the reader.
class CZebCMPartsXmlData {
public:
    // One content entry.
    class CSelection {
    public:
        CSelection(std::wstring id, std::wstring title, std::wstring creationtime, std::wstring category,
                   std::wstring link);
        virtual ~CSelection();

        std::wstring id;
        std::wstring title;
        std::wstring creationtime;
        std::wstring category;
        std::wstring link;
        std::wstring year;  // characters 0..3 of creationtime (fewer when it is shorter)
        std::wstring month; // characters 5..6
        std::wstring day;   // characters 8..9
    };

    // Reads the whole file; an empty path, a missing or malformed file gives no records.
    explicit CZebCMPartsXmlData(const std::wstring& path);
    virtual ~CZebCMPartsXmlData();
    CZebCMPartsXmlData(const CZebCMPartsXmlData&) = delete;
    CZebCMPartsXmlData& operator=(const CZebCMPartsXmlData&) = delete;

    // The first record (the walk restarts); null when there are none.
    CSelection* getFirst();
    // The record at the cursor, then advances; null at the end and before getFirst.
    CSelection* getNext();

private:
    std::list<std::unique_ptr<CSelection>> records_;
    // end() until getFirst: a walk that was not started yields nothing.
    std::list<std::unique_ptr<CSelection>>::iterator cursor_ = records_.end();
};
