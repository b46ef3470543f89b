// The demo's page code: start screen, data files, display, keys, audio, end and error screens.
//
// The program (zelto2k.js, built with emcc) calls the page through Module.zelto; the calls
// and what they mean are listed at the top of platform/web_backend.cpp. Before the start
// click the page fetches every file of data/ (named in data/files.txt) into the program's
// file system; a file that cannot be fetched is left out, so the demo meets it missing and
// says so in its own words. The click makes the audio context (sound needs a gesture),
// asks for full screen and runs the demo. Nothing here draws or decides anything of the
// demo's own.
'use strict';

(function () {
  const element = (id) => document.getElementById(id);
  const screens = ['start', 'stage', 'end', 'error'];
  const show = (id) => { for (const name of screens) element(name).hidden = name !== id; };

  // The state a test (or a curious viewer, from the console) may look at: zeltoPage.state,
  // .frames (presented so far), .work (milliseconds of the demo's own work for each frame:
  // from the end of the previous frame's wait to this frame's present), .orders (the song
  // position the demo had when it drew that frame), .shownAt (each frame's animation frame
  // time), .heard ({order, row, at, reportedAt} for every song position: when the output
  // played its first sound and when the worklet's report of it reached the page, on the
  // clock of .shownAt), .missing (data files the server did not have),
  // .audioState().
  const page = {
    state: 'loading', frames: 0, work: [], orders: [], shownAt: [], heard: [], missing: [],
    audioState: () => (audio ? audio.state : 'none'),
  };
  window.zeltoPage = page;

  let failed = false;
  let detail = '';

  function fail(caption, text, more) {
    if (failed) return;
    failed = true;
    page.state = 'failed';
    element('error-caption').textContent = caption;
    element('error-text').textContent = text;
    const missing = page.missing.length ? 'Not found on the server: ' + page.missing.join(', ') + '. ' : '';
    element('error-detail').textContent = (more || detail || '') + (more || detail ? ' ' : '') + missing;
    show('error');
    leaveFullScreen();
    stopAudio();
  }

  function leaveFullScreen() {
    if (document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(() => {});
  }

  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    fail('Zelto2k cannot run here', 'This browser has no WebAssembly.',
         'The demo is compiled to WebAssembly; any current browser runs it.');
    return;
  }
  if (typeof AudioContext !== 'function' || typeof AudioWorkletNode !== 'function') {
    fail('Zelto2k cannot run here', 'This browser has no AudioWorklet.',
         'The music plays in an AudioWorklet; any current browser has one (on a page served over http://localhost or https).');
    return;
  }

  // The program's exit unwinds its stack with an ExitStatus exception; after a frame's wait
  // it surfaces as an unhandled rejection. The end itself is handled by Module.onExit.
  const isExit = (error) => error !== null && typeof error === 'object' && error.name === 'ExitStatus';
  window.addEventListener('error', (event) => { if (isExit(event.error)) event.preventDefault(); });
  window.addEventListener('unhandledrejection', (event) => { if (isExit(event.reason)) event.preventDefault(); });

  // ---- Keys and messages -------------------------------------------------------------------
  // 1: close, 2: Enter, 3: Escape, 4: another key (the codes web_backend.cpp reads).
  const messages = [];
  let wasFullScreen = false;
  window.addEventListener('keydown', (event) => {
    if (page.state !== 'running') return;
    const code = event.key === 'Enter' ? 2 : event.key === 'Escape' ? 3 : 4;
    if (code !== 4) event.preventDefault();
    messages.push(code);
  });
  // A browser that keeps Escape for itself leaves full screen instead of passing the key on:
  // leaving full screen while the demo runs is that Escape.
  document.addEventListener('fullscreenchange', () => {
    if (document.fullscreenElement) {
      wasFullScreen = true;
    } else if (wasFullScreen && page.state === 'running') {
      wasFullScreen = false;
      messages.push(3);
    }
  });
  window.addEventListener('pagehide', () => { if (page.state === 'running') messages.push(1); });

  // ---- Display -------------------------------------------------------------------------------
  const canvas = element('display');
  const context = canvas.getContext('2d', { alpha: false });
  let image = null;
  const kFrameMilliseconds = 1000 / 60;
  let due = 0;
  let resumedAt = 0;
  // Resolves a frame's promise as a new task, after the browser has painted the frame.
  const channel = new MessageChannel();
  let resume = null;
  channel.port1.onmessage = () => {
    const done = resume;
    resume = null;
    resumedAt = performance.now();
    if (done) done();
  };

  function present(rgba, width, height) {
    page.work.push(performance.now() - resumedAt);
    page.orders.push(deliveredOrder);
    if (!image || image.width !== width || image.height !== height) image = context.createImageData(width, height);
    image.data.set(rgba);
    return new Promise((resolve) => {
      resume = resolve;
      const frame = (time) => {
        // At most 60 frames a second, whatever the screen's own rate: a frame is shown on the
        // first animation frame that is (nearly) due, and the schedule keeps no debt.
        if (time < due - 4) { requestAnimationFrame(frame); return; }
        due = time - due > 50 ? time + kFrameMilliseconds : due + kFrameMilliseconds;
        context.putImageData(image, 0, 0);
        page.frames += 1;
        page.shownAt.push(time);
        channel.port2.postMessage(0);
      };
      requestAnimationFrame(frame);
    });
  }

  // ---- Audio ---------------------------------------------------------------------------------
  let audio = null;
  let worklet = null;
  let latencyTimer = 0;
  let deliveredOrder = 0;  // the song position the demo has been given: what its scenes see
  const positions = [];
  let workletAnswer = null;

  function makeAudio() {
    try {
      audio = new AudioContext({ sampleRate: 48000, latencyHint: 'interactive' });
    } catch (error) {
      try { audio = new AudioContext(); } catch (again) { audio = null; detail = 'No audio context: ' + again.message; }
    }
  }

  function within(promise, milliseconds, what) {
    return Promise.race([promise, new Promise((resolve, reject) =>
      setTimeout(() => reject(new Error(what)), milliseconds))]);
  }

  function awaitWorklet(type) {
    return new Promise((resolve, reject) => { workletAnswer = { type, resolve, reject }; });
  }

  // When the output plays the sound the worklet handed it at context time `at`, on the
  // page's clock: by the browser's own pairing of the two clocks where it gives one, else
  // the context's clock now plus the output latency.
  function heardAt(at) {
    const stamp = audio.getOutputTimestamp ? audio.getOutputTimestamp() : null;
    if (stamp && stamp.performanceTime > 0) return stamp.performanceTime + (at - stamp.contextTime) * 1000;
    return performance.now() + (at - audio.currentTime + latencySeconds()) * 1000;
  }

  function onWorkletMessage(event) {
    const message = event.data;
    if (message.type === 'position') {
      positions.push(message.order * 65536 + message.row);
      page.heard.push({ order: message.order, row: message.row, at: heardAt(message.at), reportedAt: performance.now() });
    } else if (workletAnswer && message.type === workletAnswer.type) {
      const answer = workletAnswer;
      workletAnswer = null;
      answer.resolve(message);
    } else if (workletAnswer && message.type === 'failed') {
      const answer = workletAnswer;
      workletAnswer = null;
      answer.reject(new Error('libopenmpt did not start in the worklet: ' + message.reason));
    }
  }

  const latencySeconds = () => (audio.outputLatency || 0) + (audio.baseLatency || 0);

  function sendLatency() {
    if (!audio || !worklet) return;
    worklet.port.postMessage({ type: 'latency', frames: Math.round(latencySeconds() * audio.sampleRate) });
  }

  async function startAudio() {
    try {
      if (!audio) throw new Error(detail || 'no audio context');
      await within(audio.resume(), 3000, 'the audio context did not start within 3 s');
      if (audio.state !== 'running') throw new Error('the audio context is ' + audio.state);
      await within(audio.audioWorklet.addModule('music_worklet.js'), 10000, 'the audio worklet did not load');
      worklet = new AudioWorkletNode(audio, 'zelto-music', { numberOfInputs: 0, outputChannelCount: [2] });
      worklet.port.onmessage = onWorkletMessage;
      worklet.connect(audio.destination);
      await within(awaitWorklet('ready'), 10000, 'libopenmpt did not start in the audio worklet');
      sendLatency();
      latencyTimer = setInterval(sendLatency, 1000);
      return true;
    } catch (error) {
      detail = 'The sound could not start: ' + error.message + '.';
      return false;
    }
  }

  async function loadModule(bytes) {
    try {
      const answer = awaitWorklet('loaded');
      worklet.port.postMessage({ type: 'load', bytes }, [bytes.buffer]);
      return (await within(answer, 10000, 'the worklet did not answer')).orders;
    } catch (error) {
      return 0;
    }
  }

  function music(command, argument) {
    if (!worklet) return;
    switch (command) {
      case 1: worklet.port.postMessage({ type: 'play', loop: argument !== 0 }); break;
      case 2: worklet.port.postMessage({ type: 'start' }); break;
      case 3: worklet.port.postMessage({ type: 'stop' }); break;
      case 4: worklet.port.postMessage({ type: 'free' }); break;
      case 5: stopAudio(); break;
    }
  }

  function stopAudio() {
    clearInterval(latencyTimer);
    if (worklet) worklet.port.postMessage({ type: 'stop' });
    if (audio && audio.state !== 'closed') audio.close().catch(() => {});
  }

  // ---- Grabs ---------------------------------------------------------------------------------
  function downloadGrabs() {
    const fs = window.Module.FS;
    for (const name of fs.readdir('/')) {
      if (!/^grab_\d+\.bmp$/.test(name)) continue;
      const bytes = fs.readFile('/' + name);
      fs.unlink('/' + name);
      const link = document.createElement('a');
      link.href = URL.createObjectURL(new Blob([bytes], { type: 'image/bmp' }));
      link.download = name;
      document.body.appendChild(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    }
  }

  function finish() {
    stopAudio();
    if (failed || page.state === 'ended') return;
    page.state = 'ended';
    show('end');
    leaveFullScreen();
  }

  // ---- The program -------------------------------------------------------------------------
  window.Module = {
    noInitialRun: true,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    zelto: {
      showStage: (title) => { document.title = title; show('stage'); },
      // The window goes at every end: the quit (which then exits), the last scene's return
      // (after which main returns, and with Asyncify nothing calls onExit) and a fatal
      // error (whose message follows at once, in the same turn). So the end screen waits
      // one turn and shows unless an error came.
      hideStage: () => {
        if (page.state !== 'running') return;
        page.state = 'stopped';
        setTimeout(finish, 0);
      },
      takeMessage: () => (messages.length ? messages.shift() : 0),
      showError: (text, caption) => fail(caption, text),
      setDetail: (text) => { detail = text; },
      canDraw: () => context !== null,
      setMode: (width, height) => { canvas.width = width; canvas.height = height; },
      downloadGrabs,
      present,
      startAudio,
      loadModule,
      music,
      takePosition: () => {
        if (!positions.length) return -1;
        const position = positions.shift();
        deliveredOrder = position >> 16;
        return position;
      },
    },
    onExit: (code) => {
      if (code === 0) finish();
      else fail('Zelto2k stopped', 'The demo ended with exit code ' + code + '.');
    },
    onAbort: (what) => fail('Zelto2k stopped', 'The demo stopped: ' + what),
  };

  async function fetchData() {
    const list = await fetch('data/files.txt');
    if (!list.ok) throw new Error('data/files.txt: HTTP ' + list.status);
    const names = (await list.text()).split('\n').map((line) => line.trim()).filter((line) => line);
    return Promise.all(names.map(async (name) => {
      const response = await fetch(name).catch(() => null);
      if (!response || !response.ok) { page.missing.push(name); return null; }
      return { name, bytes: new Uint8Array(await response.arrayBuffer()) };
    }));
  }

  const runtimeReady = new Promise((resolve) => { window.Module.onRuntimeInitialized = resolve; });
  const script = document.createElement('script');
  script.src = 'zelto2k.js';
  script.onerror = () => fail('Zelto2k cannot run here', 'zelto2k.js could not be loaded.');
  document.body.appendChild(script);

  Promise.all([fetchData(), runtimeReady]).then(([files]) => {
    const fs = window.Module.FS;
    for (const file of files) {
      if (!file) continue;
      fs.mkdirTree('/' + file.name.slice(0, file.name.lastIndexOf('/')));
      fs.writeFile('/' + file.name, file.bytes);
    }
    if (failed) return;
    page.state = 'ready';
    const start = element('start');
    start.classList.remove('loading');
    start.querySelector('.hint').textContent = 'click to start';
    const begin = () => {
      if (page.state !== 'ready') return;
      page.state = 'running';
      makeAudio();
      const root = document.documentElement;
      if (root.requestFullscreen) {
        root.requestFullscreen({ navigationUI: 'hide' }).then(() => {
          if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock(['Escape']).catch(() => {});
        }, () => {});
      }
      resumedAt = performance.now();
      window.Module.callMain([]);
    };
    start.addEventListener('click', begin);
    start.addEventListener('keydown', (event) => {
      if (event.key !== 'Enter' && event.key !== ' ') return;
      event.stopPropagation();  // the key that starts the demo is not its first grab
      begin();
    });
  }, (error) => fail('Zelto2k cannot run here', 'The demo\'s files could not be loaded.', error.message));
})();
