// The music's AudioWorklet processor: libopenmpt (the web build from the chiptune3 package)
// renders the module, and each song position is reported to the page when it is heard.
//
// Messages from the page: {type: 'load', bytes} answered by {type: 'loaded', orders} (0: not
// a module); 'play' {loop} rewinds to order 0, row 0; 'start' lets the sound out; 'stop'
// silences it; 'free' drops the module; 'latency' {frames} is the context's output
// latency in sample frames. To the page: 'ready' once libopenmpt runs, 'failed' {reason}
// if it cannot, and 'position' {order, row, at} for every change, once it is heard: a
// change rendered at sample frame f is reported when the frames handed to the output, less
// the latency, reach f; `at` is the context time (seconds) at which f went to the output,
// for the page to tell when it was heard. Positions are checked every 64 frames, as the
// native player does.
import libopenmpt from './libopenmpt.worklet.js';

const kCheckFrames = 64;
const library = libopenmpt();

class MusicProcessor extends AudioWorkletProcessor {
  constructor() {
    super();
    this.lib = null;
    this.module = 0;
    this.playing = false;
    this.rendered = 0;
    this.latency = 0;
    this.pending = [];
    this.lastOrder = -1;
    this.lastRow = -1;
    this.port.onmessage = (event) => this.command(event.data);
    library.then((lib) => {
      this.lib = lib;
      this.left = lib._malloc(4 * kCheckFrames);
      this.right = lib._malloc(4 * kCheckFrames);
      this.port.postMessage({ type: 'ready' });
    }, (error) => this.port.postMessage({ type: 'failed', reason: String(error) }));
  }

  command(message) {
    const lib = this.lib;
    switch (message.type) {
      case 'load': {
        this.drop();
        const size = message.bytes.length;
        const data = lib._malloc(size);
        lib.HEAPU8.set(message.bytes, data);
        this.module = lib._openmpt_module_create_from_memory2(data, size, 0, 0, 0, 0, 0, 0, 0);
        lib._free(data);
        const orders = this.module ? lib._openmpt_module_get_num_orders(this.module) : 0;
        this.port.postMessage({ type: 'loaded', orders });
        break;
      }
      case 'play':
        if (!this.module) break;
        lib._openmpt_module_set_repeat_count(this.module, message.loop ? -1 : 0);
        lib._openmpt_module_set_position_order_row(this.module, 0, 0);
        this.rendered = 0;
        this.pending = [];
        this.lastOrder = this.lastRow = -1;
        break;
      case 'start': this.playing = this.module !== 0; break;
      case 'stop': this.playing = false; this.pending = []; break;
      case 'free': this.drop(); break;
      case 'latency': this.latency = message.frames; break;
    }
  }

  drop() {
    if (this.module) this.lib._openmpt_module_destroy(this.module);
    this.module = 0;
    this.playing = false;
    this.pending = [];
  }

  process(inputs, outputs) {
    const output = outputs[0];
    const left = output[0];
    const right = output[1] || output[0];
    const heard = this.rendered - this.latency;
    while (this.pending.length > 0 && this.pending[0].frame <= heard) {
      const change = this.pending.shift();
      this.port.postMessage({ type: 'position', order: change.order, row: change.row, at: change.at });
    }
    if (!this.playing) {
      left.fill(0);
      right.fill(0);
      return true;
    }
    const lib = this.lib;
    for (let done = 0; done < left.length; done += kCheckFrames) {
      const step = Math.min(kCheckFrames, left.length - done);
      const got = lib._openmpt_module_read_float_stereo(this.module, sampleRate, step, this.left, this.right);
      left.set(lib.HEAPF32.subarray(this.left >> 2, (this.left >> 2) + got), done);
      right.set(lib.HEAPF32.subarray(this.right >> 2, (this.right >> 2) + got), done);
      left.fill(0, done + got, done + step);
      right.fill(0, done + got, done + step);
      this.rendered += step;
      const order = lib._openmpt_module_get_current_order(this.module);
      const row = lib._openmpt_module_get_current_row(this.module);
      if (order !== this.lastOrder || row !== this.lastRow) {
        this.lastOrder = order;
        this.lastRow = row;
        this.pending.push({ frame: this.rendered, order, row, at: (currentFrame + done + step) / sampleRate });
      }
    }
    return true;
  }
}

registerProcessor('zelto-music', MusicProcessor);
