// The page's storage, before the game starts: the settings and both
// recordings live in /persist, kept in the browser's IndexedDB. Every save
// the game makes ends with fsync, which writes /persist back there at once
// and waits for it (Asyncify), so a reload or a closed tab keeps what the
// game has saved.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  FS.mkdir('/persist');
  FS.mount(IDBFS, {}, '/persist');
  addRunDependency('persist');
  FS.syncfs(true, function (error) {
    if (error) console.warn('quillmoor: the saved settings could not be read: ' + error);
    removeRunDependency('persist');
  });
});
