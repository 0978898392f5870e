#pragma once
#include <string>

// The host's product folders. The module asks for the product folder of kind 18 and the
// sub-folder of kind 112; joined as they are, they begin the template folder.
class CRuvCommon {
public:
    enum FolderType { kProductData = 18 };
    enum FindPriority { kInstalledFirst = 0 };
    enum SubFolderType { kTemplates = 112 };

    // The product folder of that kind, ending with the separator; "" for an unknown kind.
    static std::wstring getProductFolder(int folderType, int findPriority);
    // The sub-folder of that kind, relative, ending with the separator; "" for an unknown kind.
    static std::wstring getProductSubFolder(int subFolderType);
};
