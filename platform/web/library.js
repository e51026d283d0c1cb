// JavaScript the page's C++ calls. SDL, built from Debian's source rather
// than taken from Emscripten's ports, needs two of Emscripten's own helpers
// that only the port asks for: they are pulled in here.
mergeInto(LibraryManager.library, {
  qm_page_needs__deps: ['$autoResumeAudioContext', '$dynCall'],
  qm_page_needs: function () {},
});
