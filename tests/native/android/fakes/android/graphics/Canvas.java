package android.graphics;

public class Canvas {
  private final Bitmap bitmap;

  public Canvas(Bitmap bitmap) {
    bitmap.live();
    this.bitmap = bitmap;
  }

  public int getWidth() { return bitmap.getWidth(); }

  public int getHeight() { return bitmap.getHeight(); }

  public void drawColor(int color) {
    bitmap.live();
    java.awt.Graphics2D g = bitmap.image.createGraphics();
    g.setColor(new java.awt.Color(color, true));
    g.fillRect(0, 0, bitmap.getWidth(), bitmap.getHeight());
    g.dispose();
  }
}
