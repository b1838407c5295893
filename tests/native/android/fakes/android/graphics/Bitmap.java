package android.graphics;

import java.awt.RenderingHints;
import java.awt.image.BufferedImage;
import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.OutputStream;
import javax.imageio.ImageIO;
import zorvik.fakes.Timing;

/**
 * Pixels in a BufferedImage, encoded by ImageIO. A bitmap decoded from a PNG compresses back to
 * that PNG's bytes, as a phone's deterministic encoder does for the pixels it decoded: the agent's
 * answer can then be compared byte for byte with vphone's, which holds the same PNG.
 */
public final class Bitmap {
  final BufferedImage image;
  private final byte[] decodedFrom;
  private volatile boolean recycled;

  private Bitmap(BufferedImage image, byte[] decodedFrom) {
    this.image = image;
    this.decodedFrom = decodedFrom;
    if (decodedFrom == null) Timing.bitmapMade();
  }

  /** For the fakes (through reflection): the bitmap a PNG decodes to. */
  static Bitmap decode(byte[] png) throws IOException {
    BufferedImage read = ImageIO.read(new ByteArrayInputStream(png));
    if (read == null) throw new IOException("not an image");
    BufferedImage argb = new BufferedImage(read.getWidth(), read.getHeight(), BufferedImage.TYPE_INT_ARGB);
    argb.getGraphics().drawImage(read, 0, 0, null);
    return new Bitmap(argb, png.clone());
  }

  public static Bitmap createBitmap(int width, int height, Config config) {
    if (width <= 0 || height <= 0) throw new IllegalArgumentException("width and height must be > 0");
    if (config == null) throw new NullPointerException("config");
    return new Bitmap(new BufferedImage(width, height, BufferedImage.TYPE_INT_ARGB), null);
  }

  public static Bitmap createScaledBitmap(Bitmap src, int dstWidth, int dstHeight, boolean filter) {
    src.live();
    if (dstWidth <= 0 || dstHeight <= 0) throw new IllegalArgumentException("width and height must be > 0");
    long start = System.nanoTime();
    BufferedImage out = new BufferedImage(dstWidth, dstHeight, BufferedImage.TYPE_INT_ARGB);
    java.awt.Graphics2D g = out.createGraphics();
    g.setRenderingHint(RenderingHints.KEY_INTERPOLATION,
        filter ? RenderingHints.VALUE_INTERPOLATION_BILINEAR : RenderingHints.VALUE_INTERPOLATION_NEAREST_NEIGHBOR);
    g.drawImage(src.image, 0, 0, dstWidth, dstHeight, null);
    g.dispose();
    Timing.addGraphics(start);
    return new Bitmap(out, null);
  }

  public int getWidth() { return image.getWidth(); }

  public int getHeight() { return image.getHeight(); }

  public boolean compress(CompressFormat format, int quality, OutputStream stream) {
    live();
    if (quality < 0 || quality > 100) throw new IllegalArgumentException("quality must be 0..100");
    if (stream == null) throw new NullPointerException("stream");
    long start = System.nanoTime();
    try {
      byte[] bytes = decodedFrom;
      if (bytes == null || format != CompressFormat.PNG) {
        ByteArrayOutputStream encoded = new ByteArrayOutputStream();
        if (!ImageIO.write(image, format == CompressFormat.PNG ? "png" : "jpeg", encoded)) return false;
        bytes = encoded.toByteArray();
      }
      stream.write(bytes);
      return true;
    } catch (IOException e) {
      return false;
    } finally {
      Timing.addGraphics(start);
    }
  }

  public synchronized void recycle() {
    if (!recycled && decodedFrom == null) Timing.bitmapRecycled();
    recycled = true;
  }

  public boolean isRecycled() { return recycled; }

  void live() {
    if (recycled) throw new IllegalStateException("Can't call on a recycled bitmap");
  }

  public enum CompressFormat {
    JPEG,
    PNG,
  }

  public enum Config {
    ALPHA_8,
    ARGB_8888,
    RGB_565,
  }
}
