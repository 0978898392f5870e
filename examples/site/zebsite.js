// Site script of 小さな庭のある家.
//
// getZebSiteMenu(path, id): loads the page at path and puts its element with the given id in the
// place of this page's element with that id. The diary calendar's previous/next controls call it
// with the neighbouring month's page, so the calendar changes month without leaving the page.
// Works when the site is served over HTTP (browsers do not fetch file: pages).
function getZebSiteMenu(path, id) {
  var current = document.getElementById(id);
  if (!current || !window.fetch || !window.DOMParser) {
    return false;
  }
  fetch(path, { cache: "no-cache" })
    .then(function (response) {
      if (!response.ok) {
        throw new Error(path + ": " + response.status);
      }
      return response.text();
    })
    .then(function (text) {
      var fetched = new DOMParser().parseFromString(text, "text/html");
      var replacement = fetched.getElementById(id);
      if (!replacement) {
        throw new Error(path + ": no element " + id);
      }
      current.replaceWith(document.importNode(replacement, true));
    })
    .catch(function (error) {
      if (window.console) {
        console.warn("getZebSiteMenu: " + error.message);
      }
    });
  return false;
}
