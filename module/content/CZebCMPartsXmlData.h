#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class CZebXmlData;
class Element;

// Reads one content parts file (the entries of a category or of one diary month) into records,
// in file order. Owns its records; pointers handed out live as long as the reader. The file is
// read whole when the reader is made; each record is made from it when the walk first reaches it
// (a category's link part walks the first few entries of many).
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
    // Makes the record of the next entry that has an id, a title and a link; false when no entry
    // is left (the parsed file is then freed).
    bool makeNextRecord();
    // Frees the parsed file once every record is made.
    void release();

    std::unique_ptr<CZebXmlData> xml_; // the parsed file, while entries are left
    std::vector<Element*> entries_;    // every entry element of the file, in order (in xml_)
    std::size_t nextEntry_ = 0;        // the first entry not yet made into a record
    std::vector<std::unique_ptr<CSelection>> records_;
    // The next record to hand out; npos until getFirst: a walk that was not started yields nothing.
    std::size_t cursor_ = static_cast<std::size_t>(-1);
};
