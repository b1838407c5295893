package android.media;

import zorvik.fakes.Tools;

/** The fake phone's volumes (Tools). */
public class AudioManager {
  public static final int STREAM_MUSIC = 3;
  public static final int STREAM_RING = 2;

  AudioManager() {}

  public int getStreamVolume(int streamType) { return Tools.volume(streamType); }

  public int getStreamMaxVolume(int streamType) { return Tools.maxVolume(streamType); }

  public void setStreamVolume(int streamType, int index, int flags) { Tools.setVolume(streamType, index); }
}
