#pragma once

// The object whose refresh the module asks for at the end of a category update.
class CZebRefreshTarget {
public:
    virtual ~CZebRefreshTarget();
    // Redraws what depends on the site's generated pages.
    virtual void refresh() = 0;
};

// The host application singleton.
class CZebAppEngineer {
public:
    // The application; null when the host has none.
    static CZebAppEngineer* getInstance();
    virtual ~CZebAppEngineer();
    // Whether an HTML page is open for editing.
    bool isAnyHtmlDocOpened() const;
    // The refresh target; null when the host has none.
    virtual CZebRefreshTarget* getRefreshTarget();
};
