// The site script of a site with link parts (zebhost makes a new site with it; the sample site
// uses it too).
//
// getZebSiteMenu(path, id): loads the page at path and puts its element with the given id in the
// place of this page's element with that id. The diary calendar's previous/next controls call it
// with the neighbouring month's page, so the calendar changes month without leaving the page.
// Works when the site is served over HTTP (browsers do not fetch file: pages).
//
// path and the links inside the loaded element are written from the site's root (the folder of
// this script), so that a page in any folder of the site can use them.
//
// A control at an end of the chain of months has no onclick: it is shown as a disabled link
// (role="link", aria-disabled="true", no href), so that it neither looks nor acts like one that
// works. This is done when the page is ready and for every calendar loaded.
var zebSiteRoot = (function () {
  var script = document.currentScript;
  return new URL(".", (script && script.src) || document.baseURI).href;
})();

// The URL from the site's root; absolute URLs and references into the page stay as they are.
function zebFromSiteRoot(url) {
  if (/^([a-z][a-z0-9+.-]*:|[\/\\#?]|$)/i.test(url)) {
    return url;
  }
  return new URL(url, zebSiteRoot).href;
}

// Marks the previous/next controls under root: those without onclick as disabled links, the
// others as live ones.
function zebMarkCalendarControls(root) {
  root.querySelectorAll('a[name="prev"], a[name="next"]').forEach(function (control) {
    if (control.hasAttribute("onclick")) {
      control.removeAttribute("aria-disabled");
      control.removeAttribute("role");
      if (!control.hasAttribute("href")) {
        control.setAttribute("href", "javascript:void(0)");
      }
    } else {
      control.setAttribute("role", "link");
      control.setAttribute("aria-disabled", "true");
      control.removeAttribute("href");
    }
  });
}

if (document.readyState === "loading") {
  document.addEventListener("DOMContentLoaded", function () {
    zebMarkCalendarControls(document);
  });
} else {
  zebMarkCalendarControls(document);
}

function getZebSiteMenu(path, id) {
  var current = document.getElementById(id);
  if (!current || !window.fetch || !window.DOMParser) {
    return false;
  }
  var url = zebFromSiteRoot(path);
  fetch(url, { cache: "no-cache" })
    .then(function (response) {
      if (!response.ok) {
        throw new Error(url + ": " + response.status);
      }
      return response.text();
    })
    .then(function (text) {
      var fetched = new DOMParser().parseFromString(text, "text/html");
      var replacement = fetched.getElementById(id);
      if (!replacement) {
        throw new Error(url + ": no element " + id);
      }
      replacement.querySelectorAll("[href], [src]").forEach(function (element) {
        ["href", "src"].forEach(function (name) {
          if (element.hasAttribute(name)) {
            element.setAttribute(name, zebFromSiteRoot(element.getAttribute(name)));
          }
        });
      });
      var imported = document.importNode(replacement, true);
      zebMarkCalendarControls(imported);
      current.replaceWith(imported);
    })
    .catch(function (error) {
      if (window.console) {
        console.warn("getZebSiteMenu: " + error.message);
      }
    });
  return false;
}
