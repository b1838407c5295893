package android.content;

public class OperationApplicationException extends Exception {
  public OperationApplicationException(String message) { super(message); }
}
