// The demo's page code: start screen, data files, display, keys, audio, end and error screens.
//
// The program (zelto2k.js, built with emcc as a factory, createZelto) calls the page through
// Module.zelto; the calls and what they mean are listed at the top of
// platform/web_backend.cpp. Before the start the page fetches the program's WebAssembly,
// the music worklet and every file of data/ (named in data/files.txt), counting their
// bytes on the loading bar; a data file that cannot be fetched is left out, so the demo
// meets it missing and says so in its own words. The start (click, tap, Enter or Space)
// makes the audio context and resumes it at once, inside the gesture (Safari and phones
// refuse it later), asks for full screen and runs the demo. Every run, the first and each
// "watch again", is a fresh instance of the program, so it starts exactly as the first
// did. Nothing here draws or decides anything of the demo's own.
'use strict';

(function () {
  const element = (id) => document.getElementById(id);
  const screens = ['start', 'stage', 'end', 'error'];
  const show = (id) => { for (const name of screens) element(name).hidden = name !== id; };

  // The state a test (or a curious viewer, from the console) may look at: zeltoPage.state,
  // .frames (presented so far), .work (milliseconds of the demo's own work for each frame:
  // from the end of the previous frame's wait to this frame's present), .orders (the song
  // position the demo had when it drew that frame), .shownAt (each frame's animation frame
  // time), .heard ({order, row, at, reportedAt} for every song position the worklet
  // reported: when the output played its first sound and when the report reached the page,
  // on the clock of .shownAt), .missing (data files the server did not have),
  // .audioState(). .loaded and .total count the bytes fetched before the start; .paused is
  // the viewer's pause as the page asked for it; .gain() the music's gain; .audioContext()
  // the context; .runs how many times the demo was started; .display and .renderer how
  // the picture is drawn (see Display); .warmUpMilliseconds what the warm-up took;
  // .phases each frame's parts when the page runs with ?profile (see Profile).
  const page = {
    state: 'loading', frames: 0, work: [], orders: [], shownAt: [], missing: [],
    loaded: 0, total: 0, heard: [], paused: false, runs: 0, renderer: '',
    audioState: () => (audio ? audio.state : 'none'),
    audioContext: () => audio,
    gain: () => (gain ? gain.gain.value : null),
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
    document.documentElement.classList.remove('covering');
    if (document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(() => {});
    else if (document.webkitFullscreenElement && document.webkitExitFullscreen) document.webkitExitFullscreen();
  }

  // Full screen where the page may have it; where it may not (iPhone), the stage covers
  // the whole viewport instead, the picture scaled with its aspect kept.
  function goFullScreen() {
    const root = document.documentElement;
    const request = root.requestFullscreen || root.webkitRequestFullscreen;
    if (!request) {
      root.classList.add('covering');
      window.scrollTo(0, 0);
      return;
    }
    const asked = request.call(root, { navigationUI: 'hide' });
    if (asked && asked.then) {
      asked.then(() => {
        if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock(['Escape']).catch(() => {});
      }, () => root.classList.add('covering'));
    }
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
  // it surfaces as an unhandled rejection. The end itself is handled by the program's onExit.
  const isExit = (error) => error !== null && typeof error === 'object' && error.name === 'ExitStatus';
  window.addEventListener('error', (event) => { if (isExit(event.error)) event.preventDefault(); });
  window.addEventListener('unhandledrejection', (event) => { if (isExit(event.reason)) event.preventDefault(); });

  // ---- The reduced-flashing switch ---------------------------------------------------------
  // On from the start when the viewer asked their system for reduced motion. Using it never
  // starts the demo: the start screen around it is the start button.
  const reduceFlashing = element('reduce-flashing');
  reduceFlashing.checked = window.matchMedia('(prefers-reduced-motion: reduce)').matches;
  for (const type of ['click', 'keydown']) element('flash-switch').addEventListener(type, (event) => event.stopPropagation());

  // ---- Keys, taps and messages ------------------------------------------------------------
  // The codes web_backend.cpp reads: 1 close, 2 Enter, 3 Escape, 4 another key, 5 Space
  // (pause; a tap on the playing demo too), 6 M (mute).
  const kClose = 1, kEnter = 2, kEscape = 3, kOtherKey = 4, kSpace = 5, kMute = 6;
  let messages = [];
  let waiting = null;  // the paused program waiting for a message
  let wasFullScreen = false;
  let audioLost = false;  // the system took the sound away: the picture waits for a gesture

  function post(code) {
    if (code === kSpace) page.paused = !page.paused;
    if (waiting) {
      const wake = waiting;
      waiting = null;
      wake(code);
    } else {
      messages.push(code);
    }
  }

  function waitMessage(milliseconds) {
    if (messages.length) return Promise.resolve(messages.shift());
    return new Promise((resolve) => {
      const timer = setTimeout(() => { waiting = null; resolve(0); }, milliseconds);
      waiting = (code) => { clearTimeout(timer); resolve(code); };
    });
  }

  // Called first in every key and tap handler of the running demo: a context the system
  // suspended or interrupted is resumed here, inside the gesture. True when this gesture
  // was spent on bringing the sound back (the demo then goes on from its pause).
  function wakeAudio() {
    if (audio && (audio.state === 'suspended' || audio.state === 'interrupted')) audio.resume().catch(() => {});
    if (!audioLost) return false;
    audioLost = false;
    if (page.paused) post(kSpace);
    return true;
  }

  function onAudioState() {
    if (page.state !== 'running' || !audio) return;
    if ((audio.state === 'suspended' || audio.state === 'interrupted') && !audioLost) {
      // The picture waits with the music: the demo pauses until the next tap or key.
      audioLost = true;
      if (!page.paused) post(kSpace);
    }
  }

  window.addEventListener('keydown', (event) => {
    if (page.state !== 'running') return;
    const key = event.key;
    const code = key === 'Enter' ? kEnter : key === 'Escape' ? kEscape : key === ' ' ? kSpace
               : key === 'm' || key === 'M' ? kMute : kOtherKey;
    if (code !== kOtherKey) event.preventDefault();
    if (wakeAudio() && code !== kEscape) return;
    if ((code === kSpace || code === kMute) && event.repeat) return;  // held down, they must not flicker
    post(code);
  });
  element('stage').addEventListener('pointerup', (event) => {
    if (page.state !== 'running' || event.button > 0) return;
    if (!wakeAudio()) post(kSpace);
  });
  // A browser that keeps Escape for itself leaves full screen instead of passing the key on:
  // leaving full screen while the demo runs is that Escape.
  const fullScreenElement = () => document.fullscreenElement || document.webkitFullscreenElement || null;
  const onFullScreenChange = () => {
    if (fullScreenElement()) {
      wasFullScreen = true;
    } else if (wasFullScreen && page.state === 'running') {
      wasFullScreen = false;
      post(kEscape);
    }
  };
  document.addEventListener('fullscreenchange', onFullScreenChange);
  document.addEventListener('webkitfullscreenchange', onFullScreenChange);
  window.addEventListener('pagehide', () => { if (page.state === 'running') post(kClose); });

  // ---- Display -------------------------------------------------------------------------------
  // Through WebGL where the browser draws it on a graphics processor: the program's
  // 0x00RRGGBB words go up as they are, one texture upload a frame, and the shader reads
  // them as B, G, R and puts them in order. Every step keeps the 8-bit values exact:
  // nearest texel, one texel per canvas pixel. Where WebGL is missing, or drawn in
  // software (SwiftShader, llvmpipe: there the browser copies every WebGL frame back for
  // its compositor, which costs the page's thread more than the 2D canvas does), the
  // program hands R, G, B, A bytes, which go to a 2D canvas with putImageData.
  // ?display=webgl or ?display=2d in the address overrides the choice (WebGL still falls
  // back where it is missing). page.display says which it is, as does the canvas's
  // data-display attribute; page.renderer names WebGL's renderer where the browser tells.
  // The page's canvas is the display mode's size; the page's style scales it, hard-edged.
  const canvas = element('display');
  const kVertexShader = 'attribute vec2 corner; varying vec2 at;' +
    'void main() { at = vec2(corner.x, 1.0 - corner.y); gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0); }';
  const kFragmentShader = '#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n#else\nprecision mediump float;\n#endif\n' +
    'uniform sampler2D picture; varying vec2 at;' +
    'void main() { gl_FragColor = vec4(texture2D(picture, at).bgr, 1.0); }';

  const kSoftwareRenderer = /SwiftShader|llvmpipe|softpipe|Software|Basic Render/i;

  // The renderer a WebGL context names, or '' where the browser does not tell.
  function rendererOf(gl) {
    const names = gl.getExtension('WEBGL_debug_renderer_info');
    return String((names && gl.getParameter(names.UNMASKED_RENDERER_WEBGL)) || gl.getParameter(gl.RENDERER) || '');
  }

  // True where WebGL would be drawn in software: tried on a canvas of its own, since a
  // canvas keeps the first kind of context it gives.
  function webGlInSoftware() {
    const probe = document.createElement('canvas');
    const gl = probe.getContext('webgl2', { failIfMajorPerformanceCaveat: true }) ||
               probe.getContext('webgl', { failIfMajorPerformanceCaveat: true });
    if (!gl) return true;
    page.renderer = rendererOf(gl);
    const lose = gl.getExtension('WEBGL_lose_context');
    if (lose) lose.loseContext();
    return kSoftwareRenderer.test(page.renderer);
  }

  // The WebGL painter, or null where the browser has no WebGL.
  function makeWebGlPainter() {
    const options = { alpha: false, antialias: false, depth: false, stencil: false, premultipliedAlpha: false,
                      preserveDrawingBuffer: false };
    const gl = canvas.getContext('webgl2', options) || canvas.getContext('webgl', options);
    if (!gl) return null;
    page.renderer = rendererOf(gl);
    const compile = (type, source) => {
      const shader = gl.createShader(type);
      gl.shaderSource(shader, source);
      gl.compileShader(shader);
      return shader;
    };
    const program = gl.createProgram();
    gl.attachShader(program, compile(gl.VERTEX_SHADER, kVertexShader));
    gl.attachShader(program, compile(gl.FRAGMENT_SHADER, kFragmentShader));
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) return null;
    gl.useProgram(program);
    gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
    gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([0, 0, 1, 0, 0, 1, 1, 1]), gl.STATIC_DRAW);
    const corner = gl.getAttribLocation(program, 'corner');
    gl.enableVertexAttribArray(corner);
    gl.vertexAttribPointer(corner, 2, gl.FLOAT, false, 0, 0);
    gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
    for (const [name, value] of [[gl.TEXTURE_MIN_FILTER, gl.NEAREST], [gl.TEXTURE_MAG_FILTER, gl.NEAREST],
                                 [gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE], [gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE]])
      gl.texParameteri(gl.TEXTURE_2D, name, value);
    gl.pixelStorei(gl.UNPACK_ALIGNMENT, 4);
    gl.clearColor(0, 0, 0, 1);
    let textureWidth = 0;
    let textureHeight = 0;
    return {
      kind: 'webgl',
      bytes: false,
      draw(pixels, width, height, left, top) {
        if (width !== textureWidth || height !== textureHeight) {
          gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, width, height, 0, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
          [textureWidth, textureHeight] = [width, height];
        } else {
          gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
        }
        gl.viewport(0, 0, canvas.width, canvas.height);
        gl.clear(gl.COLOR_BUFFER_BIT);
        gl.viewport(left, canvas.height - top - height, width, height);
        gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
      },
    };
  }

  // The 2D canvas painter: the bytes are shown where they lie in the program's memory.
  function makeCanvasPainter() {
    const context = canvas.getContext('2d', { alpha: false });
    if (!context) return null;
    let image = null;
    let drawnAt = '';
    return {
      kind: '2d',
      bytes: true,
      draw(pixels, width, height, left, top) {
        if (!image || image.data.buffer !== pixels.buffer || image.data.byteOffset !== pixels.byteOffset ||
            image.width !== width || image.height !== height)
          image = new ImageData(new Uint8ClampedArray(pixels.buffer, pixels.byteOffset, pixels.length), width, height);
        const place = `${left} ${top} ${width} ${height} ${canvas.width} ${canvas.height}`;
        if (place !== drawnAt) {  // the rest of the canvas is black
          context.fillStyle = '#000';
          context.fillRect(0, 0, canvas.width, canvas.height);
          drawnAt = place;
        }
        context.putImageData(image, left, top);
      },
    };
  }

  const askedFor = new URLSearchParams(location.search).get('display');
  const wantsWebGl = askedFor === 'webgl' || (askedFor !== '2d' && !webGlInSoftware());
  const painter = (wantsWebGl ? makeWebGlPainter() : null) || makeCanvasPainter();
  page.display = painter ? painter.kind : 'none';
  canvas.dataset.display = page.display;

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

  function present(address, width, height, left, top) {
    const now = performance.now();
    page.work.push(now - resumedAt);
    page.orders.push(deliveredOrder);
    const memory = running.HEAPU8;
    const pixels = new Uint8Array(memory.buffer, address, width * height * 4);
    if (profile) profile.presented(now);
    return new Promise((resolve) => {
      resume = resolve;
      const frame = (time) => {
        // At most 60 frames a second, whatever the screen's own rate: a frame is shown on the
        // first animation frame that is (nearly) due, and the schedule keeps no debt.
        if (time < due - 4) { requestAnimationFrame(frame); return; }
        due = time - due > 50 ? time + kFrameMilliseconds : due + kFrameMilliseconds;
        const drawFrom = performance.now();
        painter.draw(pixels, width, height, left, top);
        if (profile) profile.drawn(performance.now() - drawFrom);
        page.frames += 1;
        page.shownAt.push(time);
        channel.port2.postMessage(0);
      };
      requestAnimationFrame(frame);
    });
  }

  // ---- Profile ---------------------------------------------------------------------------------
  // With ?profile the page times each frame's parts (page.phases, one entry a frame, in
  // milliseconds): rewind, from the frame's wake-up to the program standing where it
  // waited (Asyncify's rewind); scene, from there to the display image handed over (the
  // scene's drawing and the frame code's copy); picture, from there to the page's present
  // (the check of the borders and, on the 2D canvas, the conversion to bytes); unwind,
  // Asyncify's unwind of the program's stack after the present; draw, the upload and draw
  // on the animation frame; messages, the worklet's messages handled on the page since the
  // frame before. Without ?profile none of this runs.
  const profile = new URLSearchParams(location.search).has('profile') ? makeProfile() : null;

  function makeProfile() {
    const phases = { rewind: [], scene: [], picture: [], unwind: [], draw: [], messages: [] };
    page.phases = phases;
    let rewound = 0;
    let imageReady = 0;
    let unwindFrom = 0;
    let presenting = false;  // the next unwind is a frame's (not that of another wait)
    let messages = 0;
    return {
      phases,
      // Times Asyncify's unwind and rewind in `instance`: its runtime calls them through the
      // instance's properties, and on the first call each replaces itself there with the
      // program's own function, which the setter keeps behind the timing.
      watch(instance) {
        const around = (name, before, after) => {
          let original = instance[name];
          const timed = (...args) => {
            if (before) before();
            const result = original(...args);
            if (after) after();
            return result;
          };
          Object.defineProperty(instance, name, { get: () => timed, set: (own) => { original = own; } });
        };
        around('_asyncify_start_unwind', () => { unwindFrom = performance.now(); }, null);
        around('_asyncify_stop_unwind', null, () => {
          if (presenting) phases.unwind.push(performance.now() - unwindFrom);
          presenting = false;
        });
        around('_asyncify_stop_rewind', null, () => { rewound = performance.now(); });
      },
      imageReady() { imageReady = performance.now(); },
      presented(now) {
        const from = Math.max(rewound, resumedAt);
        phases.rewind.push(from - resumedAt);
        phases.scene.push(imageReady - from);
        phases.picture.push(now - imageReady);
        phases.messages.push(messages);
        messages = 0;
        presenting = true;
      },
      drawn(milliseconds) { phases.draw.push(milliseconds); },
      message(milliseconds) { messages += milliseconds; },
    };
  }

  // ---- Audio ---------------------------------------------------------------------------------
  let audio = null;
  let audioResumed = null;  // the promise of the resume() made inside the start gesture
  let worklet = null;
  let gain = null;
  let latencyTimer = 0;
  let deliveredOrder = 0;  // the song position the demo has been given: what its scenes see
  let positions = [];
  let workletAnswer = null;

  // Made inside the start gesture, before anything waits: a context made or resumed later
  // stays silent on Safari and phones. The ringer switch of a phone mutes "ambient" page
  // sound; the demo is something to listen to.
  function makeAudio() {
    try {
      if (navigator.audioSession) navigator.audioSession.type = 'playback';
    } catch (error) { /* an older audio session that refuses the type: the default stays */ }
    try {
      audio = new AudioContext({ sampleRate: 48000, latencyHint: 'interactive' });
    } catch (error) {
      try { audio = new AudioContext(); } catch (again) { audio = null; detail = 'No audio context: ' + again.message; }
    }
    if (!audio) return;
    audioResumed = audio.resume();
    audioResumed.catch(() => {});
    audio.onstatechange = onAudioState;
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
    if (!profile) { handleWorkletMessage(event.data); return; }
    const from = performance.now();
    handleWorkletMessage(event.data);
    profile.message(performance.now() - from);
  }

  function handleWorkletMessage(message) {
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

  // The output latency in seconds, always a finite number: some browsers have no
  // outputLatency (or report it as not a number); the base latency, or none, then.
  const finite = (value) => (typeof value === 'number' && Number.isFinite(value) && value > 0 ? value : 0);
  const latencySeconds = () => finite(audio.outputLatency) + finite(audio.baseLatency);

  // The output latency in sample frames, a finite whole number.
  function latencyFrames(context) {
    const seconds = finite(context.outputLatency) + finite(context.baseLatency);
    return Math.round(seconds * (finite(context.sampleRate) || 48000));
  }

  function sendLatency() {
    if (!audio || !worklet) return;
    worklet.port.postMessage({ type: 'latency', frames: latencyFrames(audio) });
  }

  async function startAudio() {
    try {
      if (!audio) throw new Error(detail || 'no audio context');
      await within(audioResumed, 3000, 'the audio context did not start within 3 s');
      if (audio.state !== 'running') throw new Error('the audio context is ' + audio.state);
      await within(audio.audioWorklet.addModule('music_worklet.js'), 10000, 'the audio worklet did not load');
      worklet = new AudioWorkletNode(audio, 'zelto-music', { numberOfInputs: 0, outputChannelCount: [2] });
      worklet.port.onmessage = onWorkletMessage;
      gain = audio.createGain();
      worklet.connect(gain).connect(audio.destination);
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
      case 6: worklet.port.postMessage({ type: 'hold', hold: argument !== 0 }); break;
      case 7: if (gain) gain.gain.value = argument !== 0 ? 0 : 1; break;
    }
  }

  function stopAudio() {
    clearInterval(latencyTimer);
    audioLost = false;
    if (worklet) worklet.port.postMessage({ type: 'stop' });
    worklet = null;
    gain = null;
    if (audio && audio.state !== 'closed') audio.close().catch(() => {});
  }

  // ---- Grabs ---------------------------------------------------------------------------------
  function downloadGrabs() {
    const fs = running.FS;
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
    prepareProgram();  // the next run's fresh instance, so "watch again" starts in the gesture
  }

  // ---- The program -------------------------------------------------------------------------
  let wasmBinary = null;
  let dataFiles = [];
  let running = null;  // the instance of the program that plays now
  let next = null;     // a fresh instance, ready to run

  const calls = {
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
    waitMessage,
    showError: (text, caption) => fail(caption, text),
    setDetail: (text) => { detail = text; },
    canDraw: () => painter !== null,
    drawsBytes: () => painter.bytes,
    imageReady: () => { if (profile) profile.imageReady(); },
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
  };

  // A fresh instance of the program with the data files in its file system.
  function makeProgram() {
    return window.createZelto({
      noInitialRun: true,
      wasmBinary,
      print: (text) => console.log(text),
      printErr: (text) => console.warn(text),
      zelto: calls,
      onExit: (code) => {
        if (code === 0) finish();
        else fail('Zelto2k stopped', 'The demo ended with exit code ' + code + '.');
      },
      onAbort: (what) => fail('Zelto2k stopped', 'The demo stopped: ' + what),
    }).then((instance) => {
      for (const file of dataFiles) {
        instance.FS.mkdirTree('/' + file.name.slice(0, file.name.lastIndexOf('/')));
        instance.FS.writeFile('/' + file.name, file.bytes);
      }
      // Each pixel routine compiled and run before the start, on a frame of its own, so
      // the first seconds of the demo do not wait for the compiler.
      const from = performance.now();
      instance._WarmUpPixelRoutines();
      page.warmUpMilliseconds = performance.now() - from;
      if (profile) profile.watch(instance);
      return instance;
    });
  }

  function prepareProgram() {
    element('again').disabled = true;
    makeProgram().then((instance) => {
      next = instance;
      element('again').disabled = false;
    }, (error) => fail('Zelto2k stopped', 'The demo could not be made ready again.', String(error)));
  }

  // The start gesture's handler: everything the browser allows only inside a gesture
  // (the sound, full screen) happens here, before anything waits.
  function begin() {
    if ((page.state !== 'ready' && page.state !== 'ended') || !next) return;
    running = next;
    next = null;
    page.state = 'running';
    page.paused = false;
    page.runs += 1;
    messages = [];
    waiting = null;
    wasFullScreen = false;
    positions = [];
    deliveredOrder = 0;
    due = 0;
    makeAudio();
    goFullScreen();
    resumedAt = performance.now();
    page.arguments = reduceFlashing.checked ? ['--reduce-flashing'] : [];
    running.callMain(page.arguments);
  }

  // ---- Loading -----------------------------------------------------------------------------
  const counted = new Map();  // url -> [bytes so far, bytes in all or 0 if not told]
  function showProgress() {
    let loaded = 0;
    let total = 0;
    for (const [got, all] of counted.values()) { loaded += got; total += all || got; }
    page.loaded = loaded;
    page.total = total;
    const share = total ? loaded / total : 0;
    element('loading-bar').value = share;
    element('loading-text').textContent = `${Math.floor(share * 100)} % of ${(total / 1048576).toFixed(1)} MB`;
  }

  // The file's bytes, counted on the loading bar as they arrive; null if the server does
  // not have it.
  async function fetchCounted(url) {
    const response = await fetch(url).catch(() => null);
    if (!response || !response.ok) return null;
    const all = Number(response.headers.get('Content-Length')) || (counted.get(url) || [0, 0])[1];
    counted.set(url, [0, all]);
    showProgress();
    if (!response.body || !response.body.getReader) {
      const bytes = new Uint8Array(await response.arrayBuffer());
      counted.set(url, [bytes.length, bytes.length]);
      showProgress();
      return bytes;
    }
    const reader = response.body.getReader();
    const parts = [];
    let got = 0;
    for (let part = await reader.read(); !part.done; part = await reader.read()) {
      parts.push(part.value);
      got += part.value.length;
      counted.set(url, [got, Math.max(all, got)]);
      showProgress();
    }
    const bytes = new Uint8Array(got);
    let at = 0;
    for (const part of parts) { bytes.set(part, at); at += part.length; }
    counted.set(url, [got, got]);
    showProgress();
    return bytes;
  }

  // The bytes of every file before any of them comes (sizes.txt, "bytes name" per line,
  // written by the build), so the bar counts against the whole from the start; without
  // it each file counts once its size is told.
  const sizesKnown = fetch('sizes.txt').then((answer) => (answer.ok ? answer.text() : '')).then((text) => {
    for (const line of text.split('\n')) {
      const [bytes, name] = line.trim().split(' ');
      if (name && Number(bytes) > 0) counted.set(name, [0, Number(bytes)]);
    }
    showProgress();
  }, () => {});

  async function fetchData() {
    await sizesKnown;
    const list = await fetch('data/files.txt');
    if (!list.ok) throw new Error('data/files.txt: HTTP ' + list.status);
    const names = (await list.text()).split('\n').map((line) => line.trim()).filter((line) => line);
    for (const name of names) if (!counted.has(name)) counted.set(name, [0, 0]);
    const files = await Promise.all(names.map(async (name) => {
      const bytes = await fetchCounted(name);
      if (!bytes) { page.missing.push(name); counted.delete(name); showProgress(); return null; }
      return { name, bytes };
    }));
    return files.filter((file) => file);
  }

  async function fetchProgram() {
    await sizesKnown;
    const [wasm] = await Promise.all([fetchCounted('zelto2k.wasm'),
      // The worklet's two files: fetched here to be counted and cached; the audio worklet
      // loads them again, from the cache, once the sound has started.
      fetchCounted('libopenmpt.worklet.js'), fetchCounted('music_worklet.js')]);
    if (!wasm) throw new Error('zelto2k.wasm could not be loaded');
    return wasm;
  }

  const factoryReady = new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = 'zelto2k.js';
    script.onload = resolve;
    script.onerror = () => reject(new Error('zelto2k.js could not be loaded'));
    document.body.appendChild(script);
  });

  fetch('about.json').then((answer) => (answer.ok ? answer.json() : null)).then((about) => {
    if (!about || !Number.isFinite(about.seconds)) return;
    const seconds = Math.round(about.seconds);
    element('length').textContent = `${Math.floor(seconds / 60)} min ${String(seconds % 60).padStart(2, '0')} s`;
  }, () => {});

  Promise.all([fetchData(), fetchProgram(), factoryReady]).then(([files, wasm]) => {
    dataFiles = files;
    wasmBinary = wasm;
    return makeProgram();
  }).then((instance) => {
    if (failed) return;
    next = instance;
    page.state = 'ready';
    element('start').classList.remove('loading');
    const button = element('start-button');
    button.disabled = false;
    button.focus();
    button.addEventListener('click', begin);
    element('again').addEventListener('click', begin);
    // Enter or Space start it from anywhere on the start or end screen; the key that
    // starts the demo is not its first grab or pause.
    window.addEventListener('keydown', (event) => {
      if ((event.key !== 'Enter' && event.key !== ' ') || (page.state !== 'ready' && page.state !== 'ended')) return;
      event.preventDefault();
      event.stopImmediatePropagation();
      begin();
    }, true);
  }, (error) => fail('Zelto2k cannot run here', 'The demo\'s files could not be loaded.', error.message));
})();
