#pragma once
#include <list>
#include <memory>
#include <string>

// Reads the category list file (qcms/qccl.xml) into records, in file order. Owns its records;
// pointers handed out live as long as the reader.
class CZebCMCategoryXmlData {
public:
    // One category.
    class CCategory {
    public:
        CCategory(std::wstring numid, std::wstring name, std::wstring icon);
        virtual ~CCategory();

        std::wstring numid; // the "numid" attribute as read
        std::wstring name;
        std::wstring icon; // "" when absent
    };

    // Reads the whole file; an empty path, a missing or malformed file gives no records.
    explicit CZebCMCategoryXmlData(const std::wstring& path);
    virtual ~CZebCMCategoryXmlData();
    CZebCMCategoryXmlData(const CZebCMCategoryXmlData&) = delete;
    CZebCMCategoryXmlData& operator=(const CZebCMCategoryXmlData&) = delete;

    // The first record (the walk restarts); null when there are none.
    CCategory* getFirst();
    // The record at the cursor, then advances; null at the end and before getFirst.
    CCategory* getNext();

private:
    std::list<std::unique_ptr<CCategory>> records_;
    // end() until getFirst: a walk that was not started yields nothing.
    std::list<std::unique_ptr<CCategory>>::iterator cursor_ = records_.end();
};
