// Plays a MIDI file through FluidSynth (js-synthesizer, loaded as the global
// JSSynth) with the General MIDI sound font served beside the page. The
// output passes an analyser, whose peak shows on the level meter.

const SOUND_FONT = "soundfont/TimGM6mb.sf2";
const FRAMES = 4096;

export class Player {
  constructor(onStopped, onLevel) {
    this.onStopped = onStopped;
    this.onLevel = onLevel;
    this.context = null;
    this.synth = null;
    this.playing = false;
    this.peak = 0;
    this.font = null;
  }

  // The sound font is fetched while the page loads, so Play works offline.
  preload() {
    this.font ??= fetch(SOUND_FONT).then((response) => {
      if (!response.ok) throw new Error(`sound font not found (${response.status})`);
      return response.arrayBuffer();
    });
    return this.font;
  }

  // The audio context may only start from a user's gesture, so everything is
  // set up on the first Play.
  async start() {
    if (this.synth) return;
    await JSSynth.waitForReady();
    this.context = new AudioContext();
    this.synth = new JSSynth.Synthesizer();
    this.synth.init(this.context.sampleRate);
    const node = this.synth.createAudioNode(this.context, FRAMES);
    this.analyser = this.context.createAnalyser();
    this.analyser.fftSize = 2048;
    node.connect(this.analyser);
    this.analyser.connect(this.context.destination);
    await this.synth.loadSFont(await this.preload());
    this.watchLevel();
  }

  watchLevel() {
    const samples = new Float32Array(this.analyser.fftSize);
    const tick = () => {
      this.analyser.getFloatTimeDomainData(samples);
      let level = 0;
      for (const s of samples) level = Math.max(level, Math.abs(s));
      this.peak = Math.max(this.peak, level);
      this.onLevel(level, this.peak);
      setTimeout(tick, 50);
    };
    tick();
  }

  async play(midi) {
    await this.start();
    await this.context.resume();
    if (this.playing) await this.stop();
    this.peak = 0;
    await this.synth.resetPlayer();
    await this.synth.addSMFDataToPlayer(midi.slice().buffer);
    await this.synth.playPlayer();
    this.playing = true;
    const run = ++this.runs;
    this.synth.waitForPlayerStopped().then(() => {
      if (run !== this.runs) return;
      this.playing = false;
      this.onStopped();
    });
  }

  async stop() {
    if (!this.synth) return;
    ++this.runs;
    this.synth.stopPlayer();
    this.synth.midiAllSoundsOff();
    this.playing = false;
    this.onStopped();
  }
}

Player.prototype.runs = 0;
