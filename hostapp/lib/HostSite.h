#pragma once
#include <string>

// The host's side of the site manager: which site is current.
//
// The current site is a folder; its name is that folder's path as given. When the site has a CMS
// folder "qcms" but no site-menu folder "ZebSitemenu", the site-menu folder is made here, as the
// host application does when it opens a site, unless makeSiteMenuFolder is false (a command that
// only reads). Every page write is confined to the folder from now on. An empty folder leaves no
// site current (and lifts the confinement).
// Returns false when the site-menu folder was needed but could not be made.
bool setCurrentSiteFolder(const std::wstring& folder, bool makeSiteMenuFolder = true);
