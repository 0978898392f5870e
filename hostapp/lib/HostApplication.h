#pragma once

class CZebRefreshTarget;
class OpenPage;

// The host's side of the application object: which page is open for editing and who refreshes.

// Makes page the page open for editing (not owned; it must outlive its being open); null closes
// it, so that no page is open.
void setOpenPage(OpenPage* page);
// The page open for editing; null when none is.
OpenPage* getOpenPage();
// Sets the object whose refresh the application hands out (not owned); null: none.
void setRefreshTarget(CZebRefreshTarget* target);
