package android.graphics.drawable;

import android.graphics.Bitmap;
import android.graphics.Canvas;

public class BitmapDrawable extends Drawable {
  private final Bitmap bitmap;

  @Deprecated
  public BitmapDrawable(Bitmap bitmap) { this.bitmap = bitmap; }

  @Override
  public void draw(Canvas canvas) { throw new UnsupportedOperationException("the agent takes the bitmap itself"); }

  public final Bitmap getBitmap() { return bitmap; }

  @Override
  public int getIntrinsicWidth() { return bitmap == null ? -1 : bitmap.getWidth(); }

  @Override
  public int getIntrinsicHeight() { return bitmap == null ? -1 : bitmap.getHeight(); }
}
