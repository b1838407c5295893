package android.graphics.drawable;

import android.graphics.Canvas;

public abstract class Drawable {
  public Drawable() {}

  public abstract void draw(Canvas canvas);

  /** -1: no size of its own. */
  public int getIntrinsicWidth() { return -1; }

  public int getIntrinsicHeight() { return -1; }

  public void setBounds(int left, int top, int right, int bottom) {}
}
